// The user figure strip: each channel user's animated figure, the priority
// order of the users, the eleven clickable cells along the bottom of the chat
// screen with their four scroll arrows, the selection of a user for whisper and
// squelch, and the enabled state of the chat buttons that depends on it.
//
// Owns the selection (selectedUser, selectedIndex), the scroll position
// (firstVisible and its record), the priority groups that keep the list in
// display order, the records shown in the cells and the once-per-module
// random seed. A change lays out only the visible cells and the figures that
// leave them: a hidden figure's state does not depend on its place, and each
// figure's x and state word reach the toolkit only when they change. The
// cells and the strip control are lobby controls (figureCells,
// figureStripControl) made here.
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
        text[0] = '*';
        TextCopy(text + 1, (int)sizeof text - 1, star ? star + 1 : user->userName);
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

// ---- order -------------------------------------------------------------------------
// The list is sorted by priority, highest first, arrival order kept within a
// priority, as a stable sort after every change would leave it. Each group
// keeps its head and tail; a record's place within its group is its rank: a
// join or a move to a higher group takes a rank above every other (the group's
// end), a move to a lower group one below every other (the group's start),
// which is where a stable sort puts a record that changed group.

enum { kPriorities = 5 };
static ChannelUser* groupHead[kPriorities];
static ChannelUser* groupTail[kPriorities];
static int32_t groupCount[kPriorities];
static ChannelUser* listTail;
static int64_t nextTailRank = 0, nextHeadRank = 0;
static ChannelUser* firstVisibleUser; // the record at firstVisible, null past the end
static ChannelUser* shownCells[kFigureCellCount];

static int Priority(uint32_t flags) {
    if (flags & 0x02) return 4;
    if (flags & 0x08) return 3;
    if (flags & 0x01) return 2;
    if (flags & 0x04) return 1;
    return 0;
}

int StandsBefore(const ChannelUser* a, const ChannelUser* b) {
    return a->priority > b->priority || (a->priority == b->priority && a->rank < b->rank);
}

// Position of the first record of a group.
static int32_t GroupStart(int priority) {
    int32_t position = 0;
    for (int g = kPriorities - 1; g > priority; --g)
        position += groupCount[g];
    return position;
}

// Links the record in at the start or the end of its group; the records around
// it come from the neighbouring groups when its own is empty.
static void LinkIntoGroup(ChannelUser* user, int atEnd) {
    int g = user->priority;
    ChannelUser* before = nullptr; // the record that will precede user
    if (groupHead[g]) {
        before = atEnd ? groupTail[g] : groupHead[g]->prev;
    } else {
        for (int h = g + 1; h < kPriorities && !before; ++h)
            before = groupTail[h];
    }
    ChannelUser* after = before ? before->next : channelUsers;
    user->prev = before;
    user->next = after;
    if (before)
        before->next = user;
    else
        channelUsers = user;
    if (after)
        after->prev = user;
    else
        listTail = user;
    if (!groupHead[g] || !atEnd) groupHead[g] = user;
    if (!groupTail[g] || atEnd) groupTail[g] = user;
    ++groupCount[g];

    // What moves one place on: the first visible record and the selection.
    if (firstVisibleUser && StandsBefore(user, firstVisibleUser)) firstVisibleUser = firstVisibleUser->prev;
    if (!firstVisibleUser && firstVisible == 0) firstVisibleUser = channelUsers;
    if (selectedUser && selectedUser != user && StandsBefore(user, selectedUser)) ++selectedIndex;
}

static void UnlinkFromGroup(ChannelUser* user) {
    int g = user->priority;
    if (firstVisibleUser == user || (firstVisibleUser && StandsBefore(user, firstVisibleUser)))
        firstVisibleUser = firstVisibleUser->next;
    if (selectedUser && selectedUser != user && StandsBefore(user, selectedUser)) --selectedIndex;
    if (groupHead[g] == user) groupHead[g] = (user->next && user->next->priority == g) ? user->next : nullptr;
    if (groupTail[g] == user) groupTail[g] = (user->prev && user->prev->priority == g) ? user->prev : nullptr;
    --groupCount[g];
    if (user->prev)
        user->prev->next = user->next;
    else
        channelUsers = user->next;
    if (user->next)
        user->next->prev = user->prev;
    else
        listTail = user->prev;
    user->prev = user->next = nullptr;
}

void InsertUserInOrder(ChannelUser* user) {
    user->priority = Priority(user->userFlags);
    user->rank = ++nextTailRank;
    user->cell = -1;
    user->shownX = INT32_MIN;
    user->shownState = 0xffffffffu; // no state handed over yet
    LinkIntoGroup(user, 1);
}

void ReorderUser(ChannelUser* user) {
    int priority = Priority(user->userFlags);
    if (priority == user->priority) return;
    int up = priority > user->priority;
    UnlinkFromGroup(user);
    user->priority = priority;
    user->rank = up ? ++nextTailRank : --nextHeadRank;
    LinkIntoGroup(user, up);
    if (user == selectedUser) selectedIndex = GroupStart(priority) + (up ? groupCount[priority] - 1 : 0);
}

void UnlinkUserFromOrder(ChannelUser* user) {
    UnlinkFromGroup(user);
    if (user->cell >= 0) shownCells[user->cell] = nullptr;
    user->cell = -1;
}

void ResetUserOrder() {
    for (int g = 0; g < kPriorities; ++g) {
        groupHead[g] = groupTail[g] = nullptr;
        groupCount[g] = 0;
    }
    listTail = firstVisibleUser = nullptr;
    for (ChannelUser*& shown : shownCells)
        shown = nullptr;
}

ChannelUser* UserAt(int position) {
    if (position < 0 || position >= userCount) return nullptr;
    ChannelUser* user = channelUsers;
    int at = 0;
    if (firstVisibleUser && position >= firstVisible) {
        user = firstVisibleUser;
        at = firstVisible;
    }
    for (; user && at < position; ++at)
        user = user->next;
    return user;
}

// Moves firstVisibleUser along with a new firstVisible, a few places at most.
static void SeekFirstVisible(int32_t position) {
    if (position == 0) {
        firstVisibleUser = channelUsers;
        return;
    }
    ChannelUser* user = firstVisibleUser;
    int32_t at = firstVisible;
    if (!user) {
        user = listTail;
        at = userCount - 1;
    }
    for (; user && at < position; ++at)
        user = user->next;
    for (; user && at > position; --at)
        user = user->prev;
    firstVisibleUser = user;
}

// ---- state words -------------------------------------------------------------------

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

// Hands x and the state word to the toolkit only when they change.
static void ShowFigureAt(ChannelUser* user, int x) {
    if (user->shownX == x) return;
    user->shownX = x;
    SetFigureX(user->figure, x);
}
static void SetFigureState(ChannelUser* user, uint32_t state) {
    if (user->shownState == state) return;
    user->shownState = state;
    SetFigureFlags(user->figure, state);
}

// A hidden figure keeps its x, and its state does not depend on its place.
static void LayOutHidden(ChannelUser* user) {
    uint32_t state = CommonState(user);
    if (DiffersFromOwnCharacter(user)) state |= kStateOtherCharacter;
    SetFigureState(user, state);
}

static void LayOutVisible(ChannelUser* user, int cell) {
    ShowFigureAt(user, kFigureFirstX + cell * kCellWidth);
    uint32_t state = CommonState(user) | kStateVisible;
    if ((firstVisible + cell) & 1) state |= kStateOddPosition;
    SetFigureState(user, state);
}

// ---- layout ------------------------------------------------------------------------

void LayoutFigureStrip() {
    ChannelUser* left[kFigureCellCount];
    for (int k = 0; k < kFigureCellCount; ++k) {
        left[k] = shownCells[k];
        if (left[k]) left[k]->cell = -1;
        shownCells[k] = nullptr;
    }
    ChannelUser* user = firstVisibleUser;
    for (int k = 0; k < kFigureCellCount && user; ++k, user = user->next) {
        user->cell = k;
        shownCells[k] = user;
        LayOutVisible(user, k);
    }
    for (ChannelUser* gone : left)
        if (gone && gone->cell < 0) LayOutHidden(gone);
}

void LayoutUserFigure(ChannelUser* user) {
    LayoutFigureStrip();
    if (user && user->cell < 0) LayOutHidden(user);
}

void ScrollFigureStrip(int delta) {
    int32_t before = firstVisible;
    int backward = 0, forward = 0;
    int32_t wanted = 0;
    if (userCount > kFigureCellCount) {
        int32_t last = userCount - kFigureCellCount;
        int64_t moved = (int64_t)firstVisible + delta;
        wanted = moved <= 0 ? 0 : moved >= last ? last : (int32_t)moved;
        backward = wanted > 0;
        forward = wanted < last;
    }
    SeekFirstVisible(wanted);
    firstVisible = wanted;
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
        SetFigureState(selectedUser, GetFigureFlags(selectedUser->figure) & ~(uint32_t)kStateSelected);
        selectedUser = nullptr;
        selectedIndex = -1;
    }
    // Only after the switch to chat: in a visit that starts in the chat layout
    // the buttons keep their state, so whisper without a selection still sends
    // to the channel.
    if (chatNotEntered == 0) RefreshChatButtons();
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
    SetFigureState(user, GetFigureFlags(user->figure) | kStateSelected);
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
