// The user figure strip: each channel user's animated figure, the priority
// order of the users, the eleven clickable cells along the bottom of the chat
// screen with their four scroll arrows, the selection of a user for whisper and
// squelch, and the enabled state of the chat buttons that depends on it.
//
// Owns the selection (selectedUser, selectedIndex), the scroll position
// (firstVisible) and the once-per-module random seed. The cells and the strip
// control are lobby controls (figureCells, figureStripControl) made here.
#include <cstring>

#include "../core/Lobby.h"
#include "../games/Profile.h"

ChannelUser* selectedUser = nullptr;
int32_t selectedIndex = -1;
int32_t firstVisible = 0;
static int32_t figureSeeded = 0;

enum { kFatalNoFigure = 3571 };
enum { kCellX = 40, kCellY = 591, kCellWidth = 60, kCellHeight = 100, kFigureFirstX = 70 };
enum { kNeutralKind = 7, kNeutralMode = 5 };

// figureState bits.
enum : uint32_t {
    kStateVisible = 0x000f,
    kStateStatus08 = 0x0010,
    kStateStatus04 = 0x0020,
    kStateTierLow = 0x0040,
    kStateTierHigh = 0x0080,
    kStateOddPosition = 0x0100,
    kStateSquelched = 0x0200,
    kStateSelected = 0x0400,
    kStateMarked = 0x0800,
    kStateStatus20 = 0x1000,
    kStateOtherCharacter = 0x2000,
};

// ---- figures ------------------------------------------------------------------------

static int FigureMode(const ChannelUser* user, int kind) {
    int special = (user->characterStatus & 0x04) && !(user->characterStatus & 0x08);
    return (special && (IsFullContent() || kind < 5)) ? 1 : 5;
}

static int HasCharacterLevel(uint32_t tag) {
    return tag == ProductTag("QvDV") || tag == ProductTag("QvXP") || tag == ProductTag("QvST");
}

// Label 1 is the asterisk-prefixed account, label 2 the character, label 4 the realm.
static void DrawLabels(const ChannelUser* user) {
    enum { kAccountLabel = 50, kCharacterLabel = 16, kRealmLabel = 32 };
    Unicode account[kAccountLabel + 1], character[kCharacterLabel + 1], realm[kRealmLabel + 1];
    char text[2 * sizeof user->userName];
    character[0].ch = 0;
    if (user->userName[0] == '*') {
        TextCopy(text, sizeof text, user->userName);
    } else {
        const char* star = strchr(user->userName, '*');
        TextFormat(text, sizeof text, "*%s", star ? star + 1 : user->userName);
        char part[sizeof user->userName];
        CharacterPart(part, sizeof part, user->userName);
        Unicode::win2Unicode(character, part, kCharacterLabel + 1);
    }
    Unicode::win2Unicode(account, text, kAccountLabel + 1);
    Unicode::win2Unicode(realm, user->realmName, kRealmLabel + 1);
    Unicode label3[sizeof user->labelText];
    Unicode::win2Unicode(label3, user->labelText, (int)sizeof user->labelText);
    int level = HasCharacterLevel(user->productTag) ? user->level : 0;
    DrawFigureLabel(user->figure, account, character, label3, realm, level, user->productTag);
}

void MakeUserFigure(ChannelUser* user, int kind) {
    int mode = (user->userFlags & 0x02) ? 5 : FigureMode(user, kind);
    QvFigure figure = CreateFigure(kind, mode, user->appearance, user->colours);
    if (!figure) {
        user->characterClass = kNeutralKind;
        memset(user->appearance, 0, sizeof user->appearance);
        user->appearance[1] = 1;
        memset(user->colours, 0xff, sizeof user->colours);
        figure = CreateFigure(kNeutralKind, kNeutralMode, user->appearance, user->colours);
        if (!figure) LOBBY_FATAL(kFatalNoFigure);
    }
    user->figure = figure;
    SetFigureParam(figure, 571);
    SetFigureParam2(figure, 0);
    if (!figureSeeded) {
        RandomSeed(OsTickCount());
        figureSeeded = 1;
    }
    // Start each figure at its own frame so that they do not move in step.
    int frames = GetFigureFrameCount(figure);
    int frame = 0;
    if (frames > 0) frame = (int)((uint32_t)RandomNext() % ((uint32_t)frames * 256u));
    SetFigureFrame(figure, frame);
    DrawLabels(user);
}

void UpdateUserFigure(ChannelUser* user, int kind) {
    SetFigureLook(user->figure, kind, FigureMode(user, kind), user->appearance, user->colours);
    DrawLabels(user);
}

// ---- order and layout -------------------------------------------------------------

static int Priority(uint32_t flags) {
    if (flags & 0x02) return 4;
    if (flags & 0x08) return 3;
    if (flags & 0x01) return 2;
    if (flags & 0x04) return 1;
    return 0;
}

// Highest priority first, arrival order kept within a priority: one pass into
// five buckets, so the sort stays linear in the number of users.
static void SortByPriority() {
    enum { kPriorities = 5 };
    ChannelUser* heads[kPriorities] = {};
    ChannelUser** tails[kPriorities];
    for (int k = 0; k < kPriorities; ++k)
        tails[k] = &heads[k];
    for (ChannelUser* user = channelUsers; user;) {
        ChannelUser* next = user->next;
        int k = kPriorities - 1 - Priority(user->userFlags);
        *tails[k] = user;
        tails[k] = &user->next;
        user = next;
    }
    ChannelUser** link = &channelUsers;
    for (int k = 0; k < kPriorities; ++k)
        if (heads[k]) {
            *link = heads[k];
            link = tails[k];
        }
    *link = nullptr;
}

static int TitleTier(uint16_t status) {
    int progress = status >> 8 & 0x1f;
    if (status & 0x20) return progress >= 15 ? 3 : progress >= 10 ? 2 : progress >= 5 ? 1 : 0;
    return progress >= 12 ? 3 : progress >= 8 ? 2 : progress >= 4 ? 1 : 0;
}

// The state bits every figure carries, visible or not.
static uint32_t CommonState(const ChannelUser* user) {
    uint32_t state = 0;
    int tier = TitleTier(user->characterStatus);
    if (user->characterStatus & 0x08) state |= kStateStatus08;
    if (user->characterStatus & 0x04) state |= kStateStatus04;
    if (tier & 1) state |= kStateTierLow;
    if (tier & 2) state |= kStateTierHigh;
    if (user->userFlags & 0x20) state |= kStateSquelched;
    if (user == selectedUser) state |= kStateSelected;
    if (user->userFlags & (0x01 | 0x08)) state |= kStateMarked;
    if (user->characterStatus & 0x20) state |= kStateStatus20;
    return state;
}

static int DiffersFromOwnCharacter(const ChannelUser* user) {
    if (!launch) return 0;
    uint32_t differ = (uint32_t)launch->characterFlags ^ user->characterStatus;
    return user->realmByte != launch->characterRealmByte || (differ & 0x04) || (differ & 0x20);
}

void LayoutFigureStrip() {
    SortByPriority();
    int x = kFigureFirstX;
    int position = 0;
    for (ChannelUser* user = channelUsers; user; user = user->next, ++position) {
        uint32_t state = CommonState(user);
        if (position >= firstVisible && position < firstVisible + kFigureCellCount) {
            SetFigureX(user->figure, x);
            x += kCellWidth;
            state |= kStateVisible;
            if (position & 1) state |= kStateOddPosition;
        } else if (DiffersFromOwnCharacter(user)) {
            state |= kStateOtherCharacter;
        }
        // The sort moves users, so the selection follows its user's place.
        if (user == selectedUser) selectedIndex = position;
        SetFigureFlags(user->figure, state);
    }
}

void ScrollFigureStrip(int delta) {
    int32_t before = firstVisible;
    int backward = 0, forward = 0;
    if (userCount <= kFigureCellCount) {
        firstVisible = 0;
    } else {
        int32_t last = userCount - kFigureCellCount;
        int64_t wanted = (int64_t)firstVisible + delta;
        firstVisible = wanted <= 0 ? 0 : wanted >= last ? last : (int32_t)wanted;
        backward = firstVisible > 0;
        forward = firstVisible < last;
    }
    if (firstVisible != before) LayoutFigureStrip();
    if (lobbySlots[kSlotBackTen]) EnableControl(lobbySlots[kSlotBackTen], backward);
    if (lobbySlots[kSlotBackOne]) EnableControl(lobbySlots[kSlotBackOne], backward);
    if (lobbySlots[kSlotForwardTen]) EnableControl(lobbySlots[kSlotForwardTen], forward);
    if (lobbySlots[kSlotForwardOne]) EnableControl(lobbySlots[kSlotForwardOne], forward);
}

int ScrollBackTen(uint32_t) {
    ScrollFigureStrip(-10);
    return 1;
}
int ScrollForwardTen(uint32_t) {
    ScrollFigureStrip(10);
    return 1;
}
int ScrollBackOne(uint32_t) {
    ScrollFigureStrip(-1);
    return 1;
}
int ScrollForwardOne(uint32_t) {
    ScrollFigureStrip(1);
    return 1;
}

// ---- selection and the chat buttons -------------------------------------------------

static ChannelUser* UserAt(int position) {
    if (position < 0) return nullptr;
    ChannelUser* user = channelUsers;
    for (int i = 0; user && i < position; ++i)
        user = user->next;
    return user;
}

void RefreshChatButtons() {
    const Unicode* text = inputLine ? EditGetText(inputLine) : nullptr;
    int hasText = text && text[0].ch != 0;
    int selected = selectedUser != nullptr;
    int squelched = selected && (GetFigureFlags(selectedUser->figure) & kStateSquelched);
    struct {
        int slot, enabled;
    } const states[] = {
        {kSlotSend, hasText},
        {kSlotEmote, hasText},
        {kSlotWhisper, selected && hasText},
        {kSlotSquelch, selected && !squelched},
        {kSlotUnsquelch, selected && squelched},
    };
    for (const auto& row : states)
        if (lobbySlots[row.slot]) EnableControl(lobbySlots[row.slot], row.enabled);
}

int RefreshChatButtonsCallback(uint32_t) {
    RefreshChatButtons();
    return 1;
}

void DeselectUser() {
    if (selectedUser) {
        SetFigureFlags(selectedUser->figure,
                       GetFigureFlags(selectedUser->figure) & ~(uint32_t)kStateSelected);
        selectedUser = nullptr;
        selectedIndex = -1;
    }
    // The chat buttons exist once the chat layout is in place: from the start
    // of a chat-layout visit, or after the switch to chat.
    if (chatNotEntered == 0 || IsChatLayout()) RefreshChatButtons();
}

// A right click: the user's profile, editable when it is the player's own
// account. The selection stays as it is.
static void OpenUserProfile(int position) {
    ChannelUser* user = position < userCount ? UserAt(position) : nullptr;
    if (!user) return;
    CloseProfile();
    char ownAccount[sizeof launch->accountName + 1];
    TextCopyN(ownAccount, sizeof ownAccount, launch->accountName, sizeof launch->accountName);
    if (strcmp(AccountKey(user->userName), ownAccount) == 0)
        EditOwnProfile(user->characterName, user->status04, user->status20);
    else
        ShowProfile(user->userName, user->characterName, user->status04, user->status20);
}

int FigureCellClick(uint32_t clickRecord) {
    const ClickRecord* click = (const ClickRecord*)(uintptr_t)clickRecord;
    if (!click) return 0;
    int cell = 0;
    while (cell < kFigureCellCount && (!figureCells[cell] || figureCells[cell] != click->control))
        ++cell;
    if (cell == kFigureCellCount) return 0;
    int position = firstVisible + cell;

    if (click->message == kMsgRightUp) {
        OpenUserProfile(position);
        return 1;
    }
    if (position == selectedIndex) {
        DeselectUser();
        return 1;
    }
    ChannelUser* user = position < userCount ? UserAt(position) : nullptr;
    if (!user) return 1;
    DeselectUser();
    SetFigureFlags(user->figure, GetFigureFlags(user->figure) | kStateSelected);
    selectedUser = user;
    selectedIndex = position;
    RefreshChatButtons();
    return 1;
}

// ---- the cells ---------------------------------------------------------------------

void CreateFigureCells() {
    for (int k = 0; k < kFigureCellCount; ++k)
        figureCells[k] = CreateHotSpot(kCellX + k * kCellWidth, kCellY, kCellWidth, kCellHeight, 0,
                                       FigureCellClick, 0, 0, 4, 0, 0);
    figureStripControl = CreateControl(&kFigureStripDesc);
    ShowControl(figureStripControl, 0);
}

void DestroyFigureCells() {
    for (int k = 0; k < kFigureCellCount; ++k)
        if (figureCells[k]) DestroyControl(&figureCells[k]);
    if (figureStripControl) DestroyControl(&figureStripControl);
}
