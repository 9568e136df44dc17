// The join game dialog: the name and password fields, the game list from the
// realm or the chat service with its refreshes, the row click that asks for a
// game's details, and the join request. Owns the dialog's controls, the two
// tables of listed games with their counters and the set of their ids, the
// list's request time and the last row click, and the dialog's row of the
// lobby's dialog table.
#include <cstring>

#include "JoinGame.h"
#include "../core/Dialogs.h"

// ---- state ----------------------------------------------------------------------
GameListRecord gameRecords[kMaxGameRecords];  // filled from the sources
GameListRecord shownRecords[kMaxGameRecords]; // snapshot behind the list's rows
int32_t gameCount, shownCount;
uint32_t listRequestTime;
// The ids of the first gameCount records, one bit per 16-bit id: a realm reply
// is checked against it at once, not against every game listed before it.
static uint32_t listedIds[65536 / 32];
static int32_t lastClickRow; // the last single click in the list
static uint32_t lastClickTime;

QvControl gameList, gameInfoBox, joinNameField, joinPasswordField, joinButton;
static QvControl joinBackground, joinTitle, joinNameLabel, joinPasswordLabel, joinListLabel, joinCancelButton;

enum {
    kFieldLimit = 16,
    kTextSize = 256,
    kPlayersColumnX = 135,
    kListStatusRebuild = 0x33,
    kListStatusLost = 0x32,
    kAccountKindRealmList = 2,
    kFlagLadderCharacter = 0x0004,
    kFlagExpansion = 0x0020,
    kFilterLadder = 0x800,
    kMaxBlockText = 256, // longest text of the chat service's game block, terminator included
};

// ---- controls ---------------------------------------------------------------------
static int JoinButtonClick(uint32_t arg);
static int JoinEnter(const Unicode* text);
static int JoinCancel(uint32_t arg);
static int GameListClick(uint32_t arg);

static const ScrollPlacement kGameListScroll = {592, 393, 173};
static const ScrollPlacement kGameInfoScroll = {753, 394, 196};

#define IMG(i) (&screenImages[(i)])
// clang-format off
static const ControlDescriptor kJoinBackgroundDesc    = { 2, 415, 447, 373, 373,  0,    0, IMG(kImgJoinGameBackground), nullptr,         {.frame = 0},                nullptr, 0 };
static const ControlDescriptor kJoinTitleDesc         = { 4, 496, 106, 200,  22,  0,    0, nullptr,                     nullptr,         {.frame = 0},                &kFont2, 2 };
static const ControlDescriptor kJoinNameLabelDesc     = { 4, 428, 121, 150,  12,  0,    0, nullptr,                     nullptr,         {.frame = 0},                &kFont1, 0 };
static const ControlDescriptor kJoinPasswordLabelDesc = { 4, 602, 121, 150,  12,  0,    0, nullptr,                     nullptr,         {.frame = 0},                &kFont1, 0 };
static const ControlDescriptor kJoinListLabelDesc     = { 4, 431, 212, 200,  12,  0,    0, nullptr,                     nullptr,         {.frame = 0},                &kFont1, 0 };
static const ControlDescriptor kJoinNameFieldDesc     = { 1, 432, 148, 155,  20,  0,    0, nullptr,                     nullptr,         {.enter = JoinEnter},        &kFont4, 0 };
static const ControlDescriptor kJoinPasswordFieldDesc = { 1, 606, 148, 155,  20,  0,    0, nullptr,                     nullptr,         {.enter = JoinEnter},        &kFont4, 1 };
static const ControlDescriptor kGameListDesc          = { 4, 432, 393, 160, 173,  0,    0, IMG(kImgJoinGameScrollbars), GameListClick,   {.scroll = &kGameListScroll}, &kFont4, 5 };
static const ControlDescriptor kJoinButtonDesc        = { 6, 594, 433, 172,  32, 13, 5151, IMG(kImgGameButtonBlank),    JoinButtonClick, {.frame = 0},                nullptr, 0 };
static const ControlDescriptor kJoinCancelDesc        = { 6, 433, 433,  96,  32,  0, 5103, IMG(kImgCancelButtonBlank),  JoinCancel,      {.frame = 0},                nullptr, 0 };
static const ControlDescriptor kGameInfoBoxDesc       = { 4, 609, 393, 143, 194,  0,    0, IMG(kImgJoinGameScrollbars), nullptr,         {.scroll = &kGameInfoScroll}, &kFont0, 6 };
// clang-format on
#undef IMG

// Every control of the dialog, in creation order, for the close.
static QvControl* const kJoinControls[] = {
    &joinBackground,   &joinTitle,     &joinNameLabel,     &joinPasswordLabel, &joinListLabel, &joinButton,
    &joinCancelButton, &joinNameField, &joinPasswordField, &gameList,          &gameInfoBox,
};
static_assert(sizeof kJoinControls / sizeof kJoinControls[0] == 11, "eleven dialog controls");

// ---- the game records ----------------------------------------------------------------
static int IsListed(uint16_t id) {
    return (int)(listedIds[id >> 5] >> (id & 31) & 1u);
}

// The next record of gameRecords, zeroed, under the given id.
static GameListRecord* AppendRecord(uint16_t id) {
    GameListRecord* record = &gameRecords[gameCount++];
    memset(record, 0, sizeof *record);
    record->id = id;
    listedIds[id >> 5] |= 1u << (id & 31);
    return record;
}

// Empties gameRecords; clearing only the ids of its records keeps the
// cost to the games that were listed.
static void ClearGameRecords() {
    for (int i = 0; i < gameCount; ++i)
        listedIds[gameRecords[i].id >> 5] &= ~(1u << (gameRecords[i].id & 31));
    gameCount = 0;
}

// ---- fields -------------------------------------------------------------------------
// 8-bit text of an edit box (empty when nothing is typed).
static int FieldText(QvControl field, char* dst, int size) {
    const Unicode* text = EditGetText(field);
    if (!text) {
        dst[0] = 0;
        return 0;
    }
    Unicode::unicode2Win(dst, text, size);
    return TextLengthWithin(dst, size);
}

// Join is possible exactly while a name is typed.
static void UpdateJoinButton() {
    char name[kTextSize];
    EnableControl(joinButton, FieldText(joinNameField, name, sizeof name) > 0);
}

static int NameFieldChanged(uint32_t) {
    UpdateJoinButton();
    return 1;
}

// Typing a name of one's own ends the choice from the list. Control keys pass
// on (Tab moves to the password).
static int NameFieldKey(QvControl, int, Unicode* key) {
    ListSetSelection(gameList, -1);
    return key->ch < 0x20 || IsGameNameCharacter(key->ch);
}

// Control keys pass on; of the rest, codes 0x20 to 0x7F are admitted.
static int PasswordFieldKey(QvControl, int, Unicode* key) {
    return key->ch <= 0x7f;
}

// After a row click neither field keeps the keys: they go to the chat input
// line where the layout has one.
static void TakeFocusFromFields() {
    if (inputLine)
        SetFocus(inputLine);
    else
        SetFocus(nullptr);
}

// ---- opening and closing ------------------------------------------------------------------
static QvControl CreateLabel(const ControlDescriptor* desc, int textId) {
    QvControl label = CreateControl(desc);
    SetControlText(label, GetString(textId));
    return label;
}

static QvControl CreateField(const ControlDescriptor* desc, EditKeyCallback key) {
    QvControl field = CreateControl(desc);
    EditSetMaxLength(field, kFieldLimit);
    EditSetKeyCallback(field, key);
    return field;
}

static void BuildJoinGameDialog() {
    joinBackground = CreateControl(&kJoinBackgroundDesc);
    joinTitle = CreateLabel(&kJoinTitleDesc, 5151);
    joinNameLabel = CreateLabel(&kJoinNameLabelDesc, 5274);
    joinPasswordLabel = CreateLabel(&kJoinPasswordLabelDesc, 5225);
    joinListLabel = CreateLabel(&kJoinListLabelDesc, 5275);
    joinButton = CreateControl(&kJoinButtonDesc);
    joinCancelButton = CreateControl(&kJoinCancelDesc);
    SetCancelControl(joinCancelButton);
    joinNameField = CreateField(&kJoinNameFieldDesc, NameFieldKey);
    EditSetChangeCallback(joinNameField, NameFieldChanged);
    joinPasswordField = CreateField(&kJoinPasswordFieldDesc, PasswordFieldKey);
    EditSetTabNext(joinNameField, joinPasswordField);
    EditSetTabNext(joinPasswordField, joinNameField);
    gameList = CreateControl(&kGameListDesc);
    if (RealmIsConnected()) {
        ListSetColumns(gameList, 2);
        ListSetColumnX(gameList, 1, kPlayersColumnX);
    }
    gameInfoBox = CreateControl(&kGameInfoBoxDesc);
}

// The join-game button. The list is asked for at most every 5 s when the
// dialog opens. The 15 s refresh keeps its own time: when it is due, the first
// frame asks again, and the replies to the opening request are dropped as
// stale.
int OpenJoinGameDialog(uint32_t) {
    LeaveDialog();
    lobbyState = kLobbyGameListOpen;
    if (launch->realmName[0] && !RealmIsConnected()) {
        ShowPanelMessage(GetString(5139), nullptr);
        return 1;
    }
    BuildJoinGameDialog();
    shownCount = 0;
    ClearGameRecords();
    uint32_t now = OsTickCount();
    if (now - listRequestTime >= kListRequestGapMs) {
        listRequestTime = now;
        RequestGameList();
    }
    SetFocus(joinNameField);
    UpdateJoinButton();
    ReleaseRightHandButtonsExcept(kSlotJoinGame);
    return 1;
}

void CloseJoinGameDialog() {
    int open = 0;
    for (QvControl* control : kJoinControls)
        open |= *control != nullptr;
    if (!open) return;
    for (QvControl* control : kJoinControls)
        DestroyControl(control);
    SetCancelControl(lobbySlots[kSlotQuit]);
    if (inputLine) SetFocus(inputLine);
}

// The dialog owns the realm's list and info replies while it is open.
const DialogRow kJoinGameDialog = {"join game", CloseJoinGameDialog, RouteListReply, RequestGameList,
                                   kDialogOwnControls};

static int JoinCancel(uint32_t) {
    ResetLobbyButtons();
    LeaveDialog();
    return 1;
}

// ---- the chat service's game block ---------------------------------------------------------
// The block carries no size: the module relies on the service's count and
// terminators but never reads a text longer than kMaxBlockText.
struct ServiceGame {
    const char* name;
    const char* statText;
    uint32_t address;
};

// The text at *cursor; moves the cursor past it. Null for a text too long.
static const char* TakeBlockText(const uint8_t** cursor) {
    const char* text = reinterpret_cast<const char*>(*cursor);
    int length = TextLengthWithin(text, kMaxBlockText);
    if (length == kMaxBlockText) return nullptr;
    *cursor += length + 1;
    return text;
}

// Reads the entry at *cursor and moves past it; 0 for a malformed entry.
static int TakeServiceGame(const uint8_t** cursor, ServiceGame* game) {
    ServiceGameHeader head;
    memcpy(&head, *cursor, sizeof head);
    *cursor += sizeof head;
    game->address = head.address;
    game->name = TakeBlockText(cursor);
    const char* unread = game->name ? TakeBlockText(cursor) : nullptr;
    game->statText = unread ? TakeBlockText(cursor) : nullptr;
    return game->statText != nullptr;
}

static uint32_t BlockCount(const void* block) {
    uint32_t count;
    memcpy(&count, block, sizeof count);
    return count;
}

// Category value and mask of the games this character may see.
static void ServiceCategory(uint32_t* value, uint32_t* mask) {
    uint32_t v = 0;
    if (launch->characterFlags & kFlagLadderCharacter) v |= 4;
    if (launch->characterFlags & kFlagExpansion) v |= 8;
    uint32_t m = v;
    if (!DifficultyUnlocked(2)) m |= DifficultyUnlocked(1) ? 2 : 3;
    *value = v;
    *mask = m;
}

// The difficulty digit the game's statText starts with is within reach of the
// character: its code is at most k = progress / 5 + 1 above "0", or from "3" to
// k above it for ladder characters. The code is taken as 0..255, so a first
// byte above 0x7F is out of reach; any code below "0" (an empty statText's
// terminator included) passes the plain rule.
static int PassesDigitRule(const char* statText) {
    int code = (unsigned char)statText[0];
    int reach = CharacterProgress() / 5 + 1;
    if (launch->characterFlags & kFlagLadderCharacter) return code >= '3' && code - '3' <= reach;
    return code - '0' <= reach;
}

static void AddServiceGame(const ServiceGame* game) {
    GameListRecord* record = AppendRecord(1);
    TextCopy(record->name, sizeof record->name, game->name);
    TextCopy(record->description, sizeof record->description, game->statText[0] ? game->statText + 1 : "");
    record->address = game->address;
}

// The count is the service's word for how far the block goes: at most 1000
// entries are read, listed or not, and the first entry that is not whole ends
// the block.
static void ReadServiceGames(const void* block) {
    uint32_t count = BlockCount(block);
    if (count > kMaxGameRecords) count = kMaxGameRecords;
    const uint8_t* cursor = static_cast<const uint8_t*>(block) + sizeof count;
    ServiceGame game;
    for (uint32_t i = 0; i < count; ++i) {
        if (!TakeServiceGame(&cursor, &game)) return;
        if (PassesDigitRule(game.statText)) AddServiceGame(&game);
    }
}

// ---- list requests and replies --------------------------------------------------------------------
void RequestGameList() {
    lobbyState = kLobbyGameListOpen;
    ClearGameRecords();
    if (launch->accountKind == kAccountKindRealmList) {
        GameListFilter filter;
        memset(&filter, 0, sizeof filter);
        if (launch->characterFlags & kFlagLadderCharacter) filter.flags = kFilterLadder;
        uint16_t id = TakeRequestId();
        RealmRequestGameList(&filter, id);
        pendingRequestId = id;
        return;
    }
    uint32_t value, mask;
    ServiceCategory(&value, &mask);
    const void* block = GameListQuery(chatService, nullptr, nullptr, value, mask);
    if (block) ReadServiceGames(block);
    RebuildGameList();
}

// Copies the fixed part of a reply; 0 when the reply is shorter than it.
static int CopyReply(void* dst, uint32_t fixedSize, const uint8_t* reply, uint32_t size) {
    if (!reply || size < fixedSize) return 0;
    memcpy(dst, reply, fixedSize);
    return 1;
}

// A game the list already holds (same id) is not added again.
void AddGameListEntry(const uint8_t* reply, uint32_t size) {
    GameListReply game;
    if (gameCount >= kMaxGameRecords || !CopyReply(&game, sizeof game, reply, size)) return;
    if (IsListed(game.gameId)) return;
    GameListRecord* record = AppendRecord(game.gameId);
    record->players = game.players;
    TextCopyN(record->name, sizeof record->name, game.name, sizeof game.name);
    TextCopyN(record->description, sizeof record->description, game.description, sizeof game.description);
}

static int IsListEnd(const uint8_t* reply, uint32_t size) {
    uint32_t endMarker;
    return CopyReply(&endMarker, sizeof endMarker, reply, size) && endMarker != 0;
}

void RouteListReply(uint16_t requestId, const uint8_t* reply, uint32_t size) {
    if (requestId == pendingRequestId) {
        int status = RealmLastStatus();
        if (status == kListStatusRebuild) {
            RebuildGameList();
        } else if (status == kListStatusLost) {
            CloseJoinGameDialog();
            RealmStatusUpdate(1);
        } else if (IsListEnd(reply, size)) {
            RebuildGameList();
        } else {
            AddGameListEntry(reply, size);
        }
    } else if (requestId == gameInfoRequestId) {
        ShowGameInfo(reply, size);
    }
}

// ---- the list ------------------------------------------------------------------------------------
// The count in decimal, built here: formatting through the string library
// would cost more than the rest of the row.
static void ShowPlayerCount(int row, uint16_t players) {
    Unicode text[8];
    int digits = 0;
    for (uint32_t rest = players; digits == 0 || rest > 0; rest /= 10)
        ++digits;
    text[digits].ch = 0;
    for (uint32_t rest = players; digits > 0; rest /= 10)
        text[--digits].ch = (uint16_t)('0' + rest % 10);
    ListSetCellText2(gameList, text, row, 1);
}

// The rows follow the games in the order they arrived. The selected game keeps
// its selection (found by name) and the list its scroll position.
void RebuildGameList() {
    if (!gameList) return;
    char selected[kTextSize] = "";
    const Unicode* clicked = ListGetClicked(gameList);
    if (clicked) Unicode::unicode2Win(selected, clicked, sizeof selected);
    int top = ListGetTop(gameList);
    TextListClear(gameList);
    TextListClear(gameInfoBox);
    shownCount = gameCount;
    if (shownCount == 0) return;
    memcpy(shownRecords, gameRecords, (size_t)shownCount * sizeof shownRecords[0]);
    int realm = RealmIsConnected();
    for (int i = 0; i < shownCount; ++i) {
        ListAddRow(gameList, shownRecords[i].name);
        if (realm) ShowPlayerCount(ListGetSelectedRow(gameList), shownRecords[i].players);
    }
    if (!clicked) {
        ListScrollTo(gameList, 0);
        return;
    }
    for (int i = 0; i < shownCount; ++i)
        if (strcmp(shownRecords[i].name, selected) == 0) {
            ListSetSelection(gameList, i);
            break;
        }
    ListScrollTo(gameList, top);
}

static void JoinFromDialog();

// A second click on the same row within 500 ms joins. With a realm the click
// reserves the id of a details request that the frame's 1000 ms tick sends.
static int GameListClick(uint32_t arg) {
    const ClickRecord* click = reinterpret_cast<const ClickRecord*>((uintptr_t)arg);
    int row = ListGetSelection(gameList);
    TextListClear(gameInfoBox);
    if (row < 0) return 0;
    if (click && click->message == kMsgLeftDown && IsDoubleClick(row, &lastClickRow, &lastClickTime)) {
        JoinFromDialog();
        return 0;
    }
    if (RealmIsConnected()) {
        const Unicode* text = ListGetClicked(gameList);
        if (!text) return 0;
        uint16_t id = TakeRequestId();
        Unicode::unicode2Win(queuedGameInfoName, text, sizeof queuedGameInfoName);
        gameInfoQueued = id;
        EditSetTextUnicode(joinNameField, text);
    } else {
        ShowRecordInfo(row);
    }
    UpdateJoinButton();
    TakeFocusFromFields();
    return 0;
}

void ShowRecordInfo(int row) {
    if (row < 0 || row >= shownCount) return;
    const GameListRecord* record = &shownRecords[row];
    TextListClear(gameInfoBox);
    if (record->description[0]) {
        ListAddRow(gameInfoBox, record->description);
        ListAddRow(gameInfoBox, "");
    }
    ListScrollTo(gameInfoBox, 0);
    EditSetText(joinNameField, record->name);
}

// ---- joining -----------------------------------------------------------------------------------------
int StartJoinRequest(const char* name, const char* password, uint16_t gameWord, const char* addressText) {
    lobbyState = kLobbyJoinPending;
    LeaveDialog();
    launch->gameWord = gameWord;
    TextCopy(launch->gameName, sizeof launch->gameName, name);
    TextCopy(launch->gamePassword, sizeof launch->gamePassword, password);
    if (launch->realmName[0] && RealmIsConnected()) {
        launch->nextAction = 3;
        uint16_t id = TakeRequestId();
        RealmJoinGame(name, password, id);
        pendingRequestId = id;
        if (sidePanelTextBox) ShowControl(sidePanelTextBox, 1);
        ApplyJoinLock();
        return 1;
    }
    if (launch->realmName[0]) {
        lobbyState = kLobbyIdle;
        ShowPanelMessage(GetString(5139), ShowSidePanelClose);
        return 0;
    }
    launch->nextAction = 7;
    TextCopy(launch->gameInfo, sizeof launch->gameInfo, addressText);
    resultCode = kResultStartGame;
    GameJoined(chatService, launch->gameName, launch->gamePassword);
    SetCursor(nullptr);
    EndScreenLoop();
    return 1;
}

static int FindShownGame(const char* name) {
    for (int i = 0; i < shownCount; ++i)
        if (strcmp(shownRecords[i].name, name) == 0) return i;
    return -1;
}

// Without a realm a game that is not listed is asked of the chat service by
// name; only its first answer counts. Returns 0 when no request was started.
static int JoinServiceGame(const char* name, const char* password) {
    int row = FindShownGame(name);
    if (row >= 0) {
        const GameListRecord* record = &shownRecords[row];
        StartJoinRequest(name, password, record->id, AddressText(record->address));
        return 1;
    }
    uint32_t value, mask;
    ServiceCategory(&value, &mask);
    const void* block = GameListQuery(chatService, name, password, value, mask);
    ServiceGame game;
    // The service may answer with no block at all: the cursor is placed only on one.
    const uint8_t* cursor = block ? static_cast<const uint8_t*>(block) + sizeof(uint32_t) : nullptr;
    if (!block || BlockCount(block) == 0 || !TakeServiceGame(&cursor, &game) ||
        !PassesDigitRule(game.statText)) {
        ShowMessage(GetString(5137), nullptr);
        return 0;
    }
    if (strcmp(game.name, name) != 0) return 0;
    StartJoinRequest(name, password, 1, AddressText(game.address));
    return 1;
}

static void JoinFromDialog() {
    if (!IsControlEnabled(joinButton)) return;
    char name[kTextSize], password[kTextSize];
    if (!FieldText(joinNameField, name, sizeof name)) return;
    FieldText(joinPasswordField, password, sizeof password);
    CleanName(name);
    CleanName(password);
    if (RealmIsConnected())
        StartJoinRequest(name, password, 0, nullptr);
    else if (!JoinServiceGame(name, password))
        return;
    CloseJoinGameDialog();
    ShowWaitMessage(GetString(5243), nullptr);
}

static int JoinButtonClick(uint32_t) {
    JoinFromDialog();
    return 1;
}

static int JoinEnter(const Unicode*) {
    JoinFromDialog();
    return 1;
}
