// Module-wide state and the operations the lobby's source units call in each
// other. Each block names the unit that owns (defines) it.
//
// Index:
//   1. visit state                 (core/Entry.cpp)
//   2. screen resources            (core/Resources.cpp)
//   3. popups and dialog switching (core/Popups.cpp)
//   4. frame loop                  (core/FrameLoop.cpp)
//   5. character layout            (core/CharacterPanel.cpp)
//   6. realm connection, messages  (core/RealmConnection.cpp, core/RealmMessages.cpp)
//   7. chat pane                   (chat/ChatDlg.cpp)
//   8. channel users, figure strip (chat/UserList.cpp, chat/FigureStrip.cpp)
//   9. chat events                 (chat/ComCallback.cpp)
//  10. input line, chat buttons    (chat/InputLine.cpp, chat/ChatButtons.cpp)
//  11. dated messages, entering chat (chat/DatedMessages.cpp)
//  12. random numbers              (core/Random.cpp)
#pragma once

#include <cstdint>

#include "../platform/ChatService.h"
#include "../platform/Corvel.h"
#include "../platform/Os.h"
#include "../platform/Pellick.h"
#include "../platform/QvLang.h"
#include "../platform/QvSound.h"
#include "../platform/QvWin.h"
#include "../platform/QvZendriClient.h"
#include "LaunchRecord.h"
#include "Text.h"

// Allocation and fatal reports carry the source unit and line.
#define LOBBY_ALLOC(size) Allocate((size), __FILE__, __LINE__)
#define LOBBY_FREE(block) Free((block), __FILE__, __LINE__)
#define LOBBY_FATAL(number) FatalErrorReport((number), __FILE__, __LINE__)

// ---- 1. visit state (core/Entry.cpp) --------------------------------------
enum {
    kResultNone = QV_RESULT_NONE,
    kResultStartGame = QV_RESULT_START_GAME,
    kResultLeave = QV_RESULT_LEAVE
};
enum { kLobbyIdle = 0, kLobbyCreatePending = 1, kLobbyJoinPending = 2, kLobbyGameListOpen = 3 };

extern LaunchRecord* launch;
extern ChatServiceTable* chatService;
extern int32_t resultCode;
extern int32_t lobbyState;
extern uint16_t pendingRequestId;
extern uint16_t gameInfoRequestId;
extern uint16_t nextRequestId;
extern int32_t chatNotEntered;
extern int32_t ladderDisabled;

// Increments nextRequestId, skipping 0, and returns the new value.
uint16_t TakeRequestId();
// Chat layout when the launch record names a channel (read afresh each time).
int IsChatLayout();
// 1 when text holds the guard word on word boundaries.
int ContainsGuardWord(const char* text);
// 1 while characterFlags has both 0x0004 and 0x0008: the create-game and
// join-game buttons then stay disabled for the whole visit.
int GameButtonsLocked();
// The chat layout's input line (with the chat-button state), the arrows put on
// top, the figure cells and the lit button: built with the chat layout and by
// the switch to chat.
void CreateChatSide();

// ---- 2. screen resources (core/Resources.cpp) -----------------------------
enum LobbySlot {
    kSlotSend = 0,
    kSlotWhisper = 1,
    kSlotHelp = 2,
    kSlotSquelch = 3,
    kSlotUnsquelch = 4,
    kSlotEmote = 5,
    kSlotCreateGame = 6,
    kSlotChannel = 7,
    kSlotJoinGame = 8,
    kSlotLadder = 9,
    kSlotQuit = 10,
    kSlotBackTen = 11,
    kSlotForwardTen = 12,
    kSlotBackOne = 13,
    kSlotForwardOne = 14,
    kSlotBanner = 15,
    kSlotBannerClick = 16,
    kLobbySlotCount = 17,
};
enum { kFigureCellCount = 11 };

extern const ControlDescriptor kLobbyTable[kLobbySlotCount];
extern const ControlDescriptor kTopTextListDesc, kChatPaneDesc, kInputLineDesc, kFigureStripDesc,
    kLitButtonDesc, kLeftLogoDesc, kRightLogoDesc, kSidePanelBackgroundDesc, kSidePanelTextBoxDesc,
    kPanelMessageDesc, kSmallPopupBackgroundDesc, kSmallPopupOkDesc, kSmallPopupCancelDesc,
    kSmallPopupTextDesc, kLargePopupBackgroundDesc, kLargePopupButtonDesc, kLargePopupTitleDesc,
    kLargePopupBodyDesc, kEnterChatButtonDesc, kCharacterHelpButtonDesc, kCharacterPanelBoxDesc;
extern const FontPair kFont0, kFont1, kFont2, kFont3, kFont4, kFont7;
extern const ScrollPlacement kChatPaneScroll;

// The lobby's control handles.
extern QvControl lobbySlots[kLobbySlotCount];
extern QvControl topTextList, chatPane, inputLine, figureStripControl, litButton;
extern QvControl figureCells[kFigureCellCount];
extern QvControl leftLogo, rightLogo, sidePanelBackground, sidePanelTextBox;
extern QvControl enterChatButton, characterHelpButton, characterPanelBox;

// The 52 images, in load order.
enum { kImageCount = 52 };
extern QvImage screenImages[kImageCount];
enum ImageIndex {
    kImgPopUpLargest2 = 0,
    kImgMediumButtonBlank2,
    kImgLanthorn,
    kImgWaitingRoom,
    kImgCursorHand,
    kImgCursorRotate,
    kImgScrollbar,
    kImgJoinGameScrollbars,
    kImgChatLeftButtons,
    kImgChatLeftButtons1,
    kImgChatLeftButtons2,
    kImgChatRightButtons,
    kImgChatRightTopButtons,
    kImgChatArrows,
    kImgJoinGameBackground,
    kImgGameButtonBlank,
    kImgJoinGameClickBox,
    kImgNumberArrows1,
    kImgNumberArrows2,
    kImgNumberArrows3,
    kImgNumberArrows4,
    kImgNumberGreyArrows,
    kImgGreyLevelBox,
    kImgCreateJoinBackground,
    kImgCreateGameBackground,
    kImgCreateGameButton,
    kImgWideButtonBlank,
    kImgCancelButtonBlank,
    kImgYesNoButtonBlank,
    kImgLogoBlack,
    kImgLogo,
    kImgBlankBackground2,
    kImgGemButton,
    kImgLadderChoice,
    kImgLadderBackground,
    kImgProfileView,
    kImgProfileEdit,
    kImgHelpBackground,
    kImgRadioButton,
    kImgRadioButtonGrey,
    kImgPopUpOk,
    kImgSmallPopupButton,
    kImgOverallTab,
    kImgClassTab0, // seven class tabs in class order
    kImgSquelchAura = 50,
    kImgSelectAura = 51,
};
static_assert(kImgClassTab0 == 43 && kImgSquelchAura == kImgClassTab0 + 7, "image table order");

void LoadScreenImages();
void FreeScreenImages();
// Creates the controls of slots first..last (inclusive) of the lobby table.
void CreateLobbySlots(int first, int last);
void DestroyLobbySlots();

// ---- 3. popups and dialog switching (core/Popups.cpp) ---------------------
enum { kMaxTransients = 32 };
extern ControlCallback popupClose;
extern uint32_t popupOpenedAt;
extern QvControl panelMessage;

void AddTransient(QvControl control);
int CloseTransients(uint32_t arg = 0);
void ShowWaitMessage(const Unicode* text, ControlCallback closeAction);
void ShowMessage(const Unicode* text, ControlCallback closeAction);
void ShowLargeMessage(const Unicode* title, const Unicode* body);
void ShowPanelMessage(const Unicode* text, ControlCallback closeAction);
void LeaveDialog();
void ResetLobbyButtons();
// Create and join game unless locked by the record, ladder unless disabled;
// join also stays locked while a game request waits (ApplyJoinLock).
void EnableGameAndLadderButtons();
// Enables the Join button exactly while no create or join waits for the realm
// (and the record does not lock the game buttons).
void ApplyJoinLock();
void ReleaseRightHandButtons();
// Releases the right-hand buttons other than keptSlot (-1 releases all).
void ReleaseRightHandButtonsExcept(int keptSlot);
// 1 when a press on row repeats the remembered one within 500 ms, else remembers it.
int IsDoubleClick(int row, int32_t* lastRow, uint32_t* lastTime);
int QuitButton(uint32_t arg);
int PopupButton(uint32_t arg);
int LargePopupConfirm(uint32_t arg);
int ConnectionLostClose(uint32_t arg);
int ShowSidePanelClose(uint32_t arg);
// The connection-lost popup: string 5351, closing ends the visit with 4.
void ShowConnectionLost();

// ---- 4. frame loop (core/FrameLoop.cpp) -----------------------------------
extern uint32_t chatTickAt, gameListTickAt, gameInfoTickAt;
extern char queuedGameInfoName[256];
extern int32_t gameInfoQueued;

int LobbyFrame(uint32_t arg);
void RealmStatusUpdate(int realmLost);

// ---- 5. character layout (core/CharacterPanel.cpp) ------------------------
extern QvFigure ownFigure;
void BuildCharacterPanel();
void CreateOwnFigure();
void DestroyOwnFigure();
void RemoveCharacterPanel();
const Unicode* GetClassName(int classIndex);

// ---- 6. realm connection and messages -------------------------------------
int RestoreRealmConnection();                   // core/RealmConnection.cpp
void OnRealmMessage(int key, const char* text); // core/RealmMessages.cpp
void ShowRealmMessages();
void FreeRealmMessages();

// ---- 7. chat pane (chat/ChatDlg.cpp) --------------------------------------
enum { kChatTextLimit = 499 }; // texts are cut below 500 characters before reaching the pane
void AddChatLine(const char* utf8Text, int colour);
void AddSpeakerLine(const char* prefix, const char* message, int prefixColour, int messageColour);
void StripColourCodes(Unicode* text);
void EchoOwnLine(const char* text);
// Talk colours from the speaker's record (null: not in the channel): 0x02 gives
// 0/0, 0x01 or 0x08 gives 3/3, anybody else 4/0.
struct ChannelUser;
void SpeakerColours(const ChannelUser* user, int* prefixColour, int* messageColour);
// Scrolls the pane so its last line shows.
void KeepChatPaneAtEnd();

// ---- 8. channel users and figure strip (chat/UserList.cpp, chat/FigureStrip.cpp)
struct ChannelUser {
    uint32_t productTag;
    char userName[50];
    char characterName[16];
    char realmName[32];
    uint8_t appearance[16];
    uint8_t colours[16];
    uint8_t characterClass;
    uint16_t level;
    uint16_t characterStatus;
    uint16_t extraWord;
    uint32_t userFlags;
    uint8_t realmByte;
    uint8_t spare[2];
    char labelText[4];
    QvFigure figure;
    int32_t status04, status08, status20, status40;
    ChannelUser* next;
    // Bookkeeping of the lookups (UserList.cpp) and the strip (FigureStrip.cpp).
    ChannelUser* prev;               // previous record in display order
    ChannelUser *keyNext, *foldNext; // hash chains: account key and folded name
    uint32_t keyHash, foldHash;      // hashes the record is filed under
    int64_t rank;                    // order within its priority group
    int32_t priority;                // group: 4 (flag 0x02) .. 0
    int32_t cell;                    // visible cell, -1 when hidden
    int32_t shownX;                  // x and state last handed to the toolkit
    uint32_t shownState;
};

extern ChannelUser* channelUsers;
extern int32_t userCount;
extern ChannelUser* selectedUser;
extern int32_t selectedIndex;
extern int32_t firstVisible;

// A product code as a user description carries it: the first byte is the
// code's last character, so the little-endian word reads as the code.
constexpr uint32_t ProductTag(const char (&code)[5]) {
    return (uint32_t)(uint8_t)code[0] << 24 | (uint32_t)(uint8_t)code[1] << 16 |
           (uint32_t)(uint8_t)code[2] << 8 | (uint32_t)(uint8_t)code[3];
}
// The user whose stored name equals userName exactly, or null.
ChannelUser* FindUserByName(const char* userName);

int ParseUserInfo(ChannelUser* user, const char* userInfoText, int textSize, uint32_t userFlags);
ChannelUser* AddOrUpdateUser(const char* userName, const char* userInfoText, int textSize,
                             uint32_t userFlags);
int UpdateUserFlags(const char* userName, const char* userInfoText, int textSize, uint32_t userFlags);
// The first user whose key (text after the first '*') equals the name's, or null.
ChannelUser* FindUserByKey(const char* userName);
// Unlinks the user, drops its selection, destroys its figure and frees it.
void RemoveUser(ChannelUser* user);
void ClearUsers();
void ResolveSpeaker(const char* userName, char* title, int titleSize, char* display, int displaySize);
void SetChannelTitle(const char* text);

void MakeUserFigure(ChannelUser* user, int kind);
void UpdateUserFigure(ChannelUser* user, int kind);
// The display order: a new user goes to the end of its priority group; a user
// whose flags changed moves to its new group as a stable sort would put it.
void InsertUserInOrder(ChannelUser* user);
void ReorderUser(ChannelUser* user);
void UnlinkUserFromOrder(ChannelUser* user);
void ResetUserOrder();
// 1 when a stands before b in the display order.
int StandsBefore(const ChannelUser* a, const ChannelUser* b);
// Brings the figures of the visible cells, and those that just left them, up
// to date; LayoutUserFigure also the given user's figure wherever it stands.
void LayoutFigureStrip();
void LayoutUserFigure(ChannelUser* user);
// The user at a list position, or null.
ChannelUser* UserAt(int position);
void ScrollFigureStrip(int delta);
void DeselectUser();
void RefreshChatButtons();
int RefreshChatButtonsCallback(uint32_t arg);
int FigureCellClick(uint32_t clickRecord);
int ScrollBackTen(uint32_t arg);
int ScrollForwardTen(uint32_t arg);
int ScrollBackOne(uint32_t arg);
int ScrollForwardOne(uint32_t arg);
// Creates the 11 figure hot spots and the hidden strip control.
void CreateFigureCells();
void DestroyFigureCells();

// ---- 9. chat events (chat/ComCallback.cpp) --------------------------------
enum { kChatEventRecordSize = QV_EVENT_RECORD_SIZE, kChatEventCount = QV_CHAT_EVENT_COUNT };
typedef int (*ChatEventHandler)(uint32_t userFlags, uint32_t second, const char* userName, const char* text);
extern const ChatEventHandler ChatEventTable[kChatEventCount];
extern int32_t joinLeaveNotices;
extern char replyTarget[256];
extern char joinedChannel[256];
// Handles one kind-0 record of kChatEventRecordSize bytes.
void DispatchChatEvent(const uint8_t* record);

// ---- 10. input line and chat buttons (chat/InputLine.cpp, chat/ChatButtons.cpp)
// Creates the input line with its callbacks, focus and 200-character limit.
void CreateInputLine();
void ClearHistory();
int SubmitInputLine(const Unicode* text);
int SendUserLine(int whisper, const char* text);
// Empties the input line and keeps the chat pane at its end.
void EmptyInputLine();
// The guard-word warning's confirm action.
void ConfirmGuardWarning();

extern uint32_t lastActionTime;
extern int32_t litButtonOn;
int SendButton(uint32_t arg);
int WhisperButton(uint32_t arg);
int SquelchButton(uint32_t arg);
int UnsquelchButton(uint32_t arg);
int EmoteButton(uint32_t arg);
int LitButton(uint32_t arg);
// Creates the lit button, drawn lit when litButtonOn is set.
void CreateLitButton();

// ---- 11. dated messages and entering chat (chat/DatedMessages.cpp) --------
void CreateChatTextLock();
void DeleteChatTextLock();
int OnDatedMessage(uint32_t unixTime, const char* text);
int OnClearMessages();
void DrainChatTextQueue();
int EnterChatLayout(uint32_t arg);
void BuildChatControls();

// ---- 12. random numbers (core/Random.cpp) ---------------------------------
void RandomSeed(uint32_t seed);
int RandomNext(); // 0..32767
