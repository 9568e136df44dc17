// Module entry and the lobby visit: QueryInterface, RunLobby, building the
// screen in either layout, entering chat, the screen loop and the teardown.
// Owns the visit state (launch record pointer, result code, lobby state,
// request ids, chatNotEntered, ladderDisabled).
#include "Lobby.h"

// ---- state ------------------------------------------------------------------------
LaunchRecord* launch;
ChatServiceTable* chatService;
int32_t resultCode;
int32_t lobbyState;
uint16_t pendingRequestId;
uint16_t gameInfoRequestId;
uint16_t nextRequestId = 1;
int32_t chatNotEntered;
int32_t ladderDisabled;

static uint32_t RunLobby(LaunchRecord* record);
static const LobbyInterface kLobbyInterface = {RunLobby};

static const char kClickSound[] = "data\\global\\sfx\\cursor\\button.wav";
static const char kRestoreFailedLog[] = "[QVMULTI]  Could not restore Zendri connection.";
enum { kEnterChatConstant = 0x25, kFatalNoChatService = 3282 };

extern "C" const LobbyInterface* QueryInterface() {
    return &kLobbyInterface;
}

// ---- small rules ----------------------------------------------------------------------
uint16_t TakeRequestId() {
    if (++nextRequestId == 0) nextRequestId = 1;
    return nextRequestId;
}

int IsChatLayout() {
    return launch->channelName[0] != 0;
}

int GameButtonsLocked() {
    return (launch->characterFlags & 0x000c) == 0x000c;
}

static int IsWordCharacter(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int ContainsGuardWord(const char* text) {
    int wordLength = (int)launch->guardWordLength;
    if (wordLength <= 0) return 0;
    int length = TextLengthWithin(text, 0x7fffffff);
    for (int i = 0; i + wordLength <= length; ++i) {
        if (i > 0 && IsWordCharacter((unsigned char)text[i - 1])) continue;
        if (i + wordLength < length && IsWordCharacter((unsigned char)text[i + wordLength])) continue;
        if (HashString(text + i, wordLength) == launch->guardWordHash) return 1;
    }
    return 0;
}

// ---- building the screen --------------------------------------------------------------
void CreateChatSide() {
    CreateInputLine();
    RefreshChatButtons();
    for (int slot = kSlotBackTen; slot <= kSlotForwardOne; ++slot)
        SetControlOnTop(lobbySlots[slot], 1);
    CreateFigureCells();
    CreateLitButton();
}

static void BuildLayout() {
    if (IsChatLayout()) {
        SetBackground(screenImages[kImgLanthorn]);
        CreateLobbySlots(0, kLobbySlotCount - 1);
        topTextList = CreateControl(&kTopTextListDesc);
    } else {
        SetBackground(screenImages[kImgWaitingRoom]);
        BuildCharacterPanel();
        CreateOwnFigure();
    }
    chatPane = CreateControl(&kChatPaneDesc);
    if (IsChatLayout()) CreateChatSide();
}

static void BuildSidePanel() {
    lobbyState = kLobbyIdle;
    leftLogo = CreateControl(&kLeftLogoDesc);
    sidePanelBackground = CreateControl(&kSidePanelBackgroundDesc);
    sidePanelTextBox = CreateControl(&kSidePanelTextBoxDesc);
    RealmSetMessageHandler(OnRealmMessage);
    RealmStartMessages();
    ShowRealmMessages();
    rightLogo = CreateControl(&kRightLogoDesc);
}

static void StartSound() {
    SoundBegin();
    SoundLoadClick(kClickSound);
    if (SoundIsAvailable()) SoundSetClickEnabled(1);
}

static void EnterChatService() {
    if (RestoreRealmConnection()) {
        char realmAndName[512];
        TextFormat(realmAndName, sizeof realmAndName, "%s,%s", launch->realmName, launch->characterName);
        uint32_t flags = ((launch->characterFlags & 0x0020) ? 1u : 0u) | (IsChatLayout() ? 2u : 0u);
        EnterChat(chatService, launch->characterName, realmAndName, kEnterChatConstant, launch->channelName,
                  flags);
    } else {
        LogLine(kRestoreFailedLog);
        EnterChatPlain(chatService);
    }
}

// ---- the screen loop -----------------------------------------------------------------
// The layout is read afresh at each step: a channel-joined event may have
// named a channel, or no channel, since the loop started.
static void RunLobbyLoop() {
    RealmReset(0);
    CreateChatTextLock();
    if (!IsChatLayout()) SetMessageHandlers(chatService, OnDatedMessage, OnClearMessages);
    RunScreenLoop(LobbyFrame);
    if (RealmIsQueued()) {
        RealmLeaveQueue();
        RealmReset(0);
    }
    if (!IsChatLayout()) ClearMessageHandlers(chatService);
    DeleteChatTextLock();
    LeaveChat(chatService);
    if (resultCode != kResultLeave) RealmFinish();
}

// ---- teardown ---------------------------------------------------------------------------
static void TearDown() {
    SoundEnd();
    ClearUsers();
    ReleaseFrontEndResources();
    LeaveDialog();
    FreeRealmMessages();
    DestroyControl(&chatPane);
    DestroyControl(&topTextList);
    DestroyControl(&leftLogo);
    DestroyControl(&rightLogo);
    DestroyControl(&sidePanelBackground);
    DestroyControl(&sidePanelTextBox);
    DestroyControl(&litButton);
    DestroyControl(&inputLine);
    DestroyFigureCells();
    DestroyLobbySlots();
    // Whatever of the character panel exists goes, whichever layout the launch
    // record names now: a channel-joined event in the character layout names a
    // channel while the panel still stands.
    RemoveCharacterPanel();
    SetBackground(nullptr);
    SetCursor(nullptr);
    FreeScreenImages();
    UnloadModuleStrings();
}

// ---- the visit ----------------------------------------------------------------------------
static void RunVisit() {
    if (!LoadModuleStrings(GetStringTableHandle(IsFullContent()), 0)) return;
    resultCode = kResultNone;
    lobbyState = kLobbyIdle;
    chatNotEntered = 1;
    chatService = launch->chatService;
    if (!chatService) LOBBY_FATAL(kFatalNoChatService);
    if (!IsConnected(chatService)) {
        resultCode = kResultLeave;
        UnloadModuleStrings();
        return;
    }
    LoadScreenImages();
    SetCursor(screenImages[kImgCursorHand]);
    BuildLayout();
    ClearHistory();
    LeaveDialog();
    ReleaseRightHandButtons();
    BuildSidePanel();
    if (GameButtonsLocked()) {
        EnableControl(lobbySlots[kSlotCreateGame], 0);
        EnableControl(lobbySlots[kSlotJoinGame], 0);
    }
    SetCancelControl(lobbySlots[kSlotQuit]);
    StartSound();
    ladderDisabled = launch->accountKind == 4;
    EnableControl(lobbySlots[kSlotLadder], ladderDisabled == 0);
    EnterChatService();
    if (IsConnected(chatService))
        RunLobbyLoop();
    else
        resultCode = kResultLeave;
    TearDown();
}

static uint32_t RunLobby(LaunchRecord* record) {
    launch = record;
    FrontEndBegin();
    FrontEndSetMode(1);
    RunVisit();
    FrontEndEnd();
    return (uint32_t)resultCode;
}
