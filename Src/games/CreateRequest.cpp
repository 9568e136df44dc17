// Sending a game creation: the request record, the remembered settings, the
// announcement to the chat service and its wait when the game is made without
// a realm, the request start, and the wait for the realm's first answer (which
// may put the request into the realm's creation queue).
//
// Owns createCancelled, set when the player cancels the realm wait or leaves
// the queue.
#include "CreateGame.h"

// ---- state -------------------------------------------------------------------------
static int32_t createCancelled;

enum {
    kNameCheckLimit = 255, // characters read to tell an empty name
    kNumberLimit = 3,      // characters read from a number field
    kSettingLimit = 5,     // characters read for the remembered player count
    kFlag04 = 0x0004,
    kFlag20 = 0x0020,
    kGameFlag04 = 0x800,
    kGameFlag20 = 0x100000,
    kNextActionRealmCreate = QV_NEXT_REALM_CREATE,
    kNextActionOpenCreate = QV_NEXT_CREATE,
};

// ---- the request record -------------------------------------------------------------
// Fills the record from the fields; 0 when the name is empty after cleaning.
static int FillCreateRecord(GameCreateRecord* record) {
    if (RealmIsConnected()) {
        record->kind = 1;
        int level =
            ClampNumber(FieldNumber(createGameControls[kCgLevelField], kNumberLimit), kMinLevel, kMaxLevel);
        record->levelDifference = LevelRestricted() ? (uint8_t)level : (uint8_t)kNoLevelLimit;
        record->maxPlayers = (uint8_t)FieldNumber(createGameControls[kCgPlayersField], kNumberLimit);
    }
    FieldText(createGameControls[kCgNameField], record->name, sizeof record->name - 1);
    FieldText(createGameControls[kCgPasswordField], record->password, sizeof record->password - 1);
    FieldText(createGameControls[kCgDescriptionField], record->description, sizeof record->description - 1);
    CleanName(record->name);
    CleanName(record->password);
    record->flags = (uint32_t)selectedDifficulty << 12;
    return record->name[0] != 0;
}

static void RememberSettings(const GameCreateRecord* record) {
    RegistryWriteNumber(kSettingsKey, "MAX_PLAYER", 0,
                        (uint32_t)FieldNumber(createGameControls[kCgPlayersField], kSettingLimit));
    RegistryWriteNumber(kSettingsKey, "DIFF_LEVEL", 0, (uint32_t)selectedDifficulty);
    RegistryWriteNumber(kSettingsKey, "LVL_REST", 0,
                        LevelRestricted() ? record->levelDifference : (uint32_t)kLevelRestrictionOff);
}

// ---- without a realm: the chat service makes the game ------------------------------------
static int QueueWaitFrame(uint32_t) {
    uint32_t outcome = 0;
    if (QueueQuery(chatService, &outcome)) EndScreenLoop();
    return 0;
}

// Announces the game and waits until the service has made it; 0 when it failed.
static int AnnounceOpenGame(const GameCreateRecord* record) {
    uint16_t flags = launch->characterFlags;
    if (flags & kFlag04) launch->gameFlags |= kGameFlag04;
    if (flags & kFlag20) launch->gameFlags |= kGameFlag20;
    // statText: a difficulty digit (1..3, or 4..6 with flag 0x0004), then the description.
    char statText[2 + sizeof record->description];
    statText[0] = (char)('1' + selectedDifficulty + ((flags & kFlag04) ? 3 : 0));
    TextCopy(statText + 1, sizeof statText - 1, record->description);
    uint32_t category = (launch->gameDifficulty == 1 ? 1u : 0u) | (launch->gameDifficulty == 2 ? 2u : 0u) |
                        ((flags & kFlag04) ? 4u : 0u) | ((flags & kFlag20) ? 8u : 0u);
    AnnounceGame(chatService, record->name, record->password, statText, category);
    ShowWaitMessage(GetString(5243), nullptr);
    RunScreenLoop(QueueWaitFrame);
    CloseTransients();
    uint32_t outcome = 0;
    QueueQuery(chatService, &outcome);
    return outcome != 0;
}

// ---- the request start ----------------------------------------------------------------------
static void StartCreateRequest(const GameCreateRecord* record) {
    LeaveDialog();
    TextCopy(launch->gameName, sizeof launch->gameName, record->name);
    TextCopy(launch->gamePassword, sizeof launch->gamePassword, record->password);
    TextCopy(launch->gameDescription, sizeof launch->gameDescription, record->description);
    lobbyState = kLobbyCreatePending;
    if (launch->realmName[0] && RealmIsConnected()) {
        launch->nextAction = kNextActionRealmCreate;
        uint16_t id = TakeRequestId();
        RealmReset(0);
        RealmCreateGame(record, id);
        pendingRequestId = id;
        createCancelled = 0;
        ApplyJoinLock();
    } else if (launch->realmName[0]) {
        lobbyState = kLobbyIdle;
        ShowPanelMessage(GetString(11020), ShowSidePanelClose);
    } else {
        launch->nextAction = kNextActionOpenCreate;
        TextCopy(launch->gameInfo, sizeof launch->gameInfo, LocalAddressText());
        resultCode = kResultStartGame;
        SetCursor(nullptr);
        EndScreenLoop();
    }
}

// ---- the realm's first answer ------------------------------------------------------------------
static int CancelCreateWait(uint32_t) {
    createCancelled = 1;
    return 1;
}

// The wait ends when the request is queued, answered, or cancelled.
static int CreateWaitFrame(uint32_t) {
    RealmPump();
    if (RealmIsQueued() || RealmJoinReplyWord() || RealmLastStatus() || createCancelled) EndScreenLoop();
    return 0;
}

// A cancelled wait withdraws the request but keeps lobbyState 1, so a status
// that still arrives for it is handled by the frame loop.
static void AwaitCreateAnswer() {
    if (!RealmIsConnected()) {
        ShowWaitMessage(GetString(5243), nullptr);
        CloseCreateGameDialog();
        return;
    }
    ShowWaitMessage(GetString(5243), CancelCreateWait);
    RunScreenLoop(CreateWaitFrame);
    CloseTransients();
    if (createCancelled) {
        RealmLeaveQueue();
        RealmReset(0);
        ApplyJoinLock();
    }
    CloseCreateGameDialog();
    if (RealmIsQueued()) OpenCreationQueueScreen();
}

int CreateRequestWaiting() {
    return lobbyState == kLobbyCreatePending && !createCancelled;
}

void WithdrawCreateRequest() {
    createCancelled = 1;
}

// ---- Create ---------------------------------------------------------------------------------------
static int CreateGame() {
    if (!IsControlEnabled(createGameControls[kCgCreateButton])) return 0;
    char name[kNameCheckLimit + 1];
    if (FieldText(createGameControls[kCgNameField], name, kNameCheckLimit) == 0) return 0;
    GameCreateRecord record = {};
    if (!FillCreateRecord(&record)) return 0;
    if (RealmIsConnected()) {
        RememberSettings(&record);
    } else if (!AnnounceOpenGame(&record)) {
        ShowWaitMessage(GetString(5138), nullptr);
        return 1;
    }
    StartCreateRequest(&record);
    AwaitCreateAnswer();
    return 1;
}

int CreateGameConfirm(uint32_t) {
    return CreateGame();
}

int CreateGameEnter(const Unicode*) {
    return CreateGame();
}
