// The lobby's frame callback: the banner cursor, the join timeout, chat events,
// the realm client's replies to create, join and list requests, the three
// timers and the queued chat text. Also the realm status update that the chat
// tick runs. Owns the timers and the queued game-info request.
#include <cstring>

#include "Dialogs.h"
#include "Lobby.h"

#include "../chat/ChannelBanner.h"

// ---- state ----------------------------------------------------------------------
// The timers start at 0 when the module is loaded and are never reset, so each
// fires on the first frame of the first visit.
uint32_t chatTickAt, gameListTickAt, gameInfoTickAt;
char queuedGameInfoName[256];
int32_t gameInfoQueued = -1;

enum {
    kJoinTimeoutMs = 30000,
    kChatTickMs = 15000,
    kGameListTickMs = 15000,
    kGameInfoTickMs = 1000,
    kKindChatEvent = QV_EVENT_CHAT,
    kKindAdvert = QV_EVENT_AD,
};

static const ScreenRect kBannerRect = {145, 11, 655, 71};

// ---- failed create and join replies ------------------------------------------------
struct FailedStatus {
    int32_t status; // -1: any other non-zero status
    int32_t messageId;
    int32_t altMessageId; // used when the row's condition holds, 0: no condition
    int32_t condition;    // 1: characterFlags has 0x0020, 2: characterRealmByte non-zero
};

// clang-format off
static const FailedStatus kCreateFailures[] = {
    { 0x1e,  5137,     0, 0 },
    { 0x1f,  5138,     0, 0 },
    { 0x20,  5139,     0, 0 },
    {   -1,  5140,     0, 0 },
};
static const FailedStatus kJoinFailures[] = {
    { 0x29,  5160,     0, 0 },
    { 0x2a,  5159,     0, 0 },
    { 0x2b,  5161,     0, 0 },
    { 0x2c,  5162,     0, 0 },
    { 0x71,  5158,     0, 0 },
    { 0x73,  5364, 21794, 1 },
    { 0x74,  5363, 21793, 1 },
    { 0x78, 10101,     0, 0 },
    { 0x79, 10102,     0, 0 },
    { 0x7d, 10930, 10929, 2 },
    {   -1,  5141,     0, 0 },
};
// clang-format on
static_assert(sizeof kCreateFailures / sizeof kCreateFailures[0] == 4, "create failure rows");
static_assert(sizeof kJoinFailures / sizeof kJoinFailures[0] == 11, "join failure rows");

static int FailureMessage(const FailedStatus* table, int status) {
    const FailedStatus* row = table;
    while (row->status != -1 && row->status != status)
        ++row;
    int conditionHolds = (row->condition == 1 && (launch->characterFlags & 0x0020)) ||
                         (row->condition == 2 && launch->characterRealmByte != 0);
    return conditionHolds ? row->altMessageId : row->messageId;
}

static void FailGameRequest(const FailedStatus* table, int status) {
    lobbyState = kLobbyIdle;
    ShowPanelMessage(GetString(FailureMessage(table, status)), ShowSidePanelClose);
    ApplyJoinLock();
}

// ---- realm replies -------------------------------------------------------------------------
static int ReplyIsPending() {
    uint16_t id = RealmLastReplyId();
    return id != 0 && id == pendingRequestId;
}

static void OnCreateReply() {
    if (!ReplyIsPending()) return;
    int status = RealmLastStatus();
    if (status != 0) {
        FailGameRequest(kCreateFailures, status);
        return;
    }
    lobbyState = kLobbyJoinPending;
    uint16_t id = TakeRequestId();
    RealmJoinGame(launch->gameName, launch->gamePassword, id);
    pendingRequestId = id;
    ApplyJoinLock(); // still locked, unless the player had withdrawn the create
    AnnounceGame(chatService, launch->gameName, launch->gamePassword, "", 0);
}

// Returns 1 when the game starts and the visit ends.
static int OnJoinReply() {
    if (!ReplyIsPending()) return 0;
    int status = RealmLastStatus();
    if (status != 0) {
        FailGameRequest(kJoinFailures, status);
        return 0;
    }
    launch->nextAction = QV_NEXT_REALM_JOIN;
    launch->gameWord = RealmJoinReplyWord();
    launch->gameAddress = RealmJoinReplyDword();
    TextCopy(launch->gameInfo, sizeof launch->gameInfo, RealmJoinReplyText());
    resultCode = kResultStartGame;
    GameJoined(chatService, launch->gameName, launch->gamePassword);
    SetCursor(nullptr);
    EndScreenLoop();
    return 1;
}

// The request id a list or info record answers, at offset 4 of the record
// itself; 0 when there is no record or it is too short to carry one.
static uint16_t RecordRequestId(const uint8_t* record, uint32_t size) {
    enum { kIdOffset = 4 };
    uint16_t id;
    if (!record || size < kIdOffset + sizeof id) return 0;
    memcpy(&id, record + kIdOffset, sizeof id);
    return id;
}

// The dialog whose row routes them owns list and info replies while it is
// open; a reply is released once handled (an id of 0 means nothing has
// arrived). The reply is routed by the id its record carries, not by the id the
// client returns.
static void OnListReply() {
    const uint8_t* record = nullptr;
    uint32_t size = 0;
    RealmNextListReply(&record, &size);
    uint16_t id = RecordRequestId(record, size);
    if (id == 0) return;
    for (const DialogRow* dialog : kLobbyDialogs)
        if (dialog->routeReply) dialog->routeReply(id, record, size);
    RealmReleaseReply();
}

// Returns 1 when the game starts.
static int HandleRealmReplies() {
    if (!RealmIsConnected()) return 0;
    switch (lobbyState) {
    case kLobbyCreatePending:
        OnCreateReply();
        return 0;
    case kLobbyJoinPending:
        return OnJoinReply();
    case kLobbyGameListOpen:
        OnListReply();
        return 0;
    default:
        return 0;
    }
}

// ---- chat events -------------------------------------------------------------------------------
// Returns 1 when an event was taken. The record starts out zeroed and is
// zeroed again only after an event filled it, not on every idle frame.
static int PollChatEvent() {
    static uint32_t kind;
    alignas(4) static uint8_t record[kChatEventRecordSize];
    if (!PollEvent(chatService, &kind, record)) return 0;
    if (kind == kKindChatEvent) DispatchChatEvent(record);
    if (kind == kKindAdvert) ShowAdBanner(record);
    // Other kinds carry nothing the lobby uses.
    memset(record, 0, sizeof record);
    kind = 0;
    return 1;
}

// ---- timers ------------------------------------------------------------------------------------
static int TimerDue(uint32_t* lastRun, uint32_t period, uint32_t now) {
    if (now - *lastRun < period) return 0;
    *lastRun = now;
    return 1;
}

void RealmStatusUpdate(int realmLost) {
    if (realmLost) {
        if (!RealmIsConnected()) {
            ShowConnectionLost();
            return;
        }
        lobbyState = kLobbyIdle;
        ShowPanelMessage(GetString(11020), ShowSidePanelClose);
        if (sidePanelTextBox) ShowControl(sidePanelTextBox, 0);
        return;
    }
    if (lobbyState == kLobbyIdle && panelMessage) LeaveDialog();
    EnableGameAndLadderButtons();
    if (sidePanelTextBox) ShowControl(sidePanelTextBox, 1);
}

static int RunChatTick(uint32_t now) {
    if (!TimerDue(&chatTickAt, kChatTickMs, now)) return 0;
    PeriodicTick(chatService);
    if (!GameButtonsLocked()) RealmStatusUpdate(launch->realmName[0] != 0 && !RealmIsConnected());
    return 1;
}

static int RunGameListTick(uint32_t now) {
    if (lobbyState != kLobbyGameListOpen || !TimerDue(&gameListTickAt, kGameListTickMs, now)) return 0;
    for (const DialogRow* dialog : kLobbyDialogs)
        if (dialog->renewRequest) dialog->renewRequest();
    return 1;
}

static int RunGameInfoTick(uint32_t now) {
    if (!TimerDue(&gameInfoTickAt, kGameInfoTickMs, now)) return 0;
    if (gameInfoQueued != -1) {
        RealmRequestGameInfo(queuedGameInfoName, (uint16_t)gameInfoQueued);
        gameInfoRequestId = (uint16_t)gameInfoQueued;
        gameInfoQueued = -1;
    }
    return 1;
}

// ---- the frame ----------------------------------------------------------------------------------
static void CheckJoinTimeout() {
    if (lobbyState != kLobbyJoinPending || popupOpenedAt == 0) return;
    if (OsTickCount() - popupOpenedAt <= kJoinTimeoutMs) return;
    lobbyState = kLobbyIdle;
    ShowPanelMessage(GetString(5141), nullptr);
    popupOpenedAt = 0;
    ApplyJoinLock();
}

int LobbyFrame(uint32_t) {
    SetCursor(screenImages[MouseInRect(&kBannerRect) ? kImgCursorRotate : kImgCursorHand]);
    CheckJoinTimeout();
    for (;;) {
        int work = PollChatEvent();
        if (RealmPump()) work = 1;
        if (HandleRealmReplies()) return 1;
        uint32_t now = OsTickCount();
        int timerRan = RunChatTick(now);
        timerRan |= RunGameListTick(now);
        timerRan |= RunGameInfoTick(now);
        DrainChatTextQueue();
        if (!timerRan) return 0;
        if (!work) return 1;
    }
}
