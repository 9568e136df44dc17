// The stand-in host: driver and inspection API.
//
// The stand-in libraries implement the host's toolkit, strings, sound, realm
// client, core and utility libraries and a chat service, as declared in
// Src/platform and include/QvMulti.h. This header is what tests and the host
// program use to script a lobby visit (clicks, keys, typing, time passing, service input) and to look
// at the screen model and the recorded calls.
//
// Index:
//   1. clock            2. screen model       3. script (screen loop driver)
//   4. strings          5. chat service       6. realm client
//   7. core / utility   8. launch record      9. reset
//  10. toolkit and sound calls  11. scripted game lists
//  12. machine registry and started programs
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../../Src/platform/QvWin.h"
#include "../../include/QvMulti.h"

namespace standin {

// ---- 1. clock --------------------------------------------------------------
// The machine's tick count as the module reads it (ms). It only moves when a
// script lets time pass; it starts at kClockStart.
constexpr uint32_t kClockStart = 1000000;
uint32_t Now();
void SetNow(uint32_t ms);
void AdvanceTime(uint32_t ms);
#if defined(_WIN32)
// Points the given loaded image's import of kernel32's GetTickCount (the
// module's tick count) at Now(); returns how many import entries it changed.
int RedirectTickCount(void* image);
#endif

// ---- 2. screen model -------------------------------------------------------
// A text box's lines and rows are one sequence on the real screen: `order`
// (increasing over all controls) tells where each line and row was added.
struct TextLine {
    std::u16string text;
    int colour = 0;
    int a = 0, b = 0;
    int order = 0;
};
// A list keeps the texts of its rows' cells in one arena, cellText, and each
// row's cells as a run of spans into it: filling a list allocates nothing per
// row. Read a row's cells with CellCount and CellText (below).
struct ListRow {
    std::string text; // 8-bit as given
    int data = 0, colour = 0;
    int order = 0;
    // Once a cell is set: cellCount cells (up to the last column set) of the
    // list's cellSpans from firstCell on, which has room for cellRoom.
    uint32_t firstCell = 0;
    uint16_t cellCount = 0, cellRoom = 0;
};
// Where a cell's text lies in its list's cellText; a cell never set has none.
constexpr uint32_t kNoCellText = 0xffffffffu;
struct CellSpan {
    uint32_t offset = 0, length = kNoCellText;
};
struct Control {
    QvControl handle = nullptr; // what the module holds
    int serial = 0;             // creation order
    ControlDescriptor desc{};   // copy of the descriptor (hot spots: a synthesized one, kind 9)
    bool hotSpot = false;
    QvImage image = nullptr; // image drawn (descriptor's variable at creation, or SetRadioImage)
    bool shown = true, enabled = true, pressed = false, onTop = false, popupBackground = true;
    int buttonFrame = 0;
    std::u16string label;        // from the descriptor's textId, or SetControlText
    std::vector<TextLine> lines; // text boxes and text lists
    int scrollTop = 0;           // first line or row shown (ListScrollTo; follows new lines at the end)
    int visibleCount = 0;        // lines a list shows at once
    // edit boxes
    std::u16string editText;
    int caret = 0;
    int selectFrom = 0, selectTo = 0; // selected characters [from, to); none when equal
    int maxLength = 0;
    EditKeyCallback keyCallback = nullptr;
    ControlCallback changeCallback = nullptr;
    QvControl tabNext = nullptr;
    // lists
    std::vector<ListRow> rows;
    std::u16string cellText;         // the cells' texts, and room left behind by replaced ones
    std::vector<CellSpan> cellSpans; // the rows' cells, a run per row
    size_t deadCellText = 0;         // units of cellText no cell shows any more
    int selection = -1, rowCount = 0, columns = 0;
    std::vector<int> columnX, columnWidth; // ListSetColumnX / ListSetColumnWidth by column; -1 unset
    // timers
    int timerPeriod = 0;
    bool timerEnabled = false;
    // banner
    std::string bannerPath;
    int bannerLetter = 0;
    // What the descriptor's pointers pointed to when the control was made.
    int font = -1;            // font number; -1 without a font pair
    bool hasScroll = false;   // lists with a scroll bar
    ScrollPlacement scroll{}; //
    bool hasLogo = false;     // logos
    QvImage logoFirst = nullptr, logoSecond = nullptr;
    int logoFrames = 0, logoSpeed = 0;
};
// Cells a list row shows: none until one is set, then up to the last column set.
size_t CellCount(const Control& list, size_t row);
// The text of a row in a column: column 0 is the row's own text (through the
// code page) until a cell text replaces it; a column without a cell is empty.
std::u16string CellText(const Control& list, size_t row, size_t column);
// Live controls, in creation order.
std::vector<Control*> Controls();
// The same, to be read only: unlike Controls, it leaves the controls unmarked,
// so a program that keeps a visit open puts back only what the visit touched.
std::vector<const Control*> ControlsToRead();
Control* Find(QvControl handle);
// The first live control whose label comes from string id textId.
Control* FindByTextId(int textId);
// Whether some live control shows the string's text, as its label or as one of its lines.
bool StringShown(int id);
// The first live control of that kind whose descriptor has that x and y.
Control* FindAt(int kind, int x, int y);
int LiveControlCount();
QvControl Focus();
QvControl CancelControl();
QvImage Background();
QvImage Cursor();
// Path the image was loaded from ("" for an unknown handle), and the load log.
std::string ImagePath(QvImage image);
std::vector<std::string> ImageLoads();
int LiveImageCount();
// Pointer position for MouseInRect.
void SetPointer(int x, int y);
// The overlay images handed over with SetAuraImages (null before).
QvImage SquelchAuraImage();
QvImage SelectAuraImage();

struct Figure {
    QvFigure handle = nullptr;
    int kind = 0, mode = 0;
    uint8_t lookA[16]{}, lookB[16]{};
    int x = -1, param = 0, param2 = 0, frame = 0, frameCount = 8;
    uint32_t flags = 0;
    bool hasState = false; // flags were set (figures of the strip); the player's own figure has none
    std::u16string labels[4];
    int level = 0;
    uint32_t tag = 0;
};
std::vector<Figure*> Figures(); // live figures in creation order
Figure* FindFigure(QvFigure handle);
int LiveFigureCount();
// The next n CreateFigure calls fail (return null).
void FailNextFigures(int n);
// Frame count reported for figures created from now on.
void SetFigureFrameCount(int n);

// ---- 3. script ---------------------------------------------------------------
// RunScreenLoop calls the frame callback, then runs the next scripted action,
// once per frame, in the innermost running loop. With no action left a loop
// runs idle frames; after kIdleFrameLimit of them it is ended by force and
// LoopTimedOut() turns true, so a visit that never ends fails instead of hanging.
constexpr int kIdleFrameLimit = 2000;
using Action = std::function<void()>;
void Enqueue(Action action);
int PendingActions();
bool LoopTimedOut();
int LoopDepth();
uint64_t FramesRun();

// Immediate operations (usable inside an action or from the host program).
void ClickControl(Control* c); // left click: the button's callback when shown and enabled
void RightClickControl(Control* c);
void DoubleClickControl(Control* c);
void TypeText(const char* utf8); // into the focused edit box, key by key
void PressEnter();
void PressEscape(); // activates the cancel control
void PressTab();
void PressCtrlN();
// Caret keys in the focused edit box: they move the caret (to the box's ends
// for home and end), drop the selection and do not reach the key callback.
void PressLeft();
void PressRight();
void PressHome();
void PressEnd();
// Selects characters [from, to) of the focused edit box, clamped to its text;
// the caret goes to `to`. The next typed character replaces the selection.
void SelectText(int from, int to);
// Selects the row of a list, then calls the list's callback with a left-button-down record.
void ClickListRow(Control* list, int row);
// One tick of a timer control's callback, whether or not the timer was started.
void TickTimer(Control* timer);

// Scripted versions: each enqueues one action.
void Click(int textId);               // control labelled by that string id
void ClickAt(int kind, int x, int y); // control found by its place
void RightClickAt(int kind, int x, int y);
void Type(const std::string& utf8);
void Enter();
void Escape();
void Tab();
void CtrlN();
void Wait(uint32_t ms);                           // lets time pass, then runs one frame
void Frames(int n);                               // n frames with nothing else happening
void Check(Action check);                         // runs a check mid-visit
void ClickRowAt(int kind, int x, int y, int row); // ClickListRow on the list found by its place
// A scripted click found no control, or screen loops nested too deeply.
bool ScriptFailed();

// ---- 4. strings --------------------------------------------------------------
// GetString answers from the English table whether or not it is loaded.
void SetStringsLoadFails(bool fails);
bool StringsLoaded();
// Puts a text in place of the table's for that id (a translation, say) until ResetAll.
void SetStringText(int id, const std::string& utf8);
std::u16string StringText(int id); // from the stand-in's English table, or the text put in its place
std::vector<int> StringIds();      // every id of the table, ascending
// The ids GetString was asked for since the reset that the table lacks, ascending.
std::vector<int> UnknownStringIds();
std::string Utf8(const std::u16string& s);
std::string Utf8(const Unicode* s);
std::u16string Utf16(const std::string& utf8);

// The language number GetLanguageNumber answers (default 0).
void SetLanguageNumber(int number);

// ---- 5. chat service ----------------------------------------------------------
struct Call {
    std::string name;
    std::vector<std::string> args; // texts as given, numbers in decimal
};
ChatServiceTable* ChatTable();
void SetChatConnected(bool connected);
// Every slot call is recorded except IsConnected and PollEvent (every frame).
// Defaults: connected; own name "Arin*Tester"; channels Lobby, Trade, Help;
// 16 bytes of realm logon data; a game block with no games; queue done with
// outcome 1; an empty, ready profile.
// Connection drops after this many more IsConnected calls answered 1 (-1: never).
void DropChatAfter(int calls);
// Kind-0 chat event built as the service does.
void PushChatEvent(uint32_t number, uint32_t userFlags, const std::string& userName, const std::string& text,
                   uint32_t second = 0);
// Any record of any kind, copied byte for byte into the 288-byte buffer (bytes
// beyond 288 are dropped, missing ones are zero).
void PushRawEvent(uint32_t kind, const std::vector<uint8_t>& bytes);
int PendingChatEvents();
std::vector<Call> ChatCalls();
std::vector<Call> ChatCallsNamed(const std::string& name);
void ClearChatCalls();
void SetOwnName(const std::string& name);
void SetChannelList(const std::vector<std::string>& names);
// The run GetChannelList returns, byte for byte: no terminator is added. What
// GetChannelList hands over ends right before an unreadable page.
void SetChannelListBytes(const std::string& run);
void SetRealmLogonData(const std::vector<uint8_t>& data, bool present = true); // count is added
void SetGameBlock(const std::vector<uint8_t>& block, bool present = true);
void SetQueueOutcome(bool done, uint32_t outcome);
// QueueQuery answers "not done" to that many calls before the answer above applies.
void SetQueueWait(int polls);
// What AnnounceGame returns (default 1).
void SetAnnounceResult(int result);
void SetProfile(const std::string& sex, const std::string& location, const std::string& description,
                bool ready = true);
void SetAdInfo(uint32_t adId, const std::vector<uint8_t>& info, bool present = true);
// A kind-3 advertisement record: its file-name text and second text are
// Pellick blocks that the module frees; the file data stays with the stand-in.
void PushAdEvent(uint32_t adId, const std::string& fileName, const std::vector<uint8_t>& data);
// What WriteProfile returns (default 1); on non-zero the values are stored and
// StoredProfile() gives them (sex, location, description).
void SetProfileWriteResult(int result);
std::vector<std::string> StoredProfile();
// Dated messages: delivered through the registered handler (if any) on the
// calling thread; returns false when no handler is registered.
bool PushDatedMessage(uint32_t unixTime, const std::string& text);
bool PushClearMessages();
bool MessageHandlersRegistered();
// Starts a thread that delivers count dated messages "message <i>" as soon as
// handlers are registered (and stops when they are cleared); JoinDatedProducer
// waits for it and returns how many it delivered.
void StartDatedProducer(int count, uint32_t unixTime);
int JoinDatedProducer();

// ---- 6. realm client ----------------------------------------------------------
std::vector<Call> RealmCalls();
std::vector<Call> RealmCallsNamed(const std::string& name);
void ClearRealmCalls();
void SetRealmConnected(bool connected);
// The realm answers the request with that id: RealmLastReplyId/RealmLastStatus.
void RealmReply(uint16_t requestId, int status);
// Every create and join is answered with this status at the next pump (-1: never).
void RealmAutoAnswer(int createStatus, int joinStatus);
uint16_t RealmLastRequestId(); // id of the last create/join/list/info request
void SetJoinReply(uint16_t word, uint32_t dword, const std::string& text);
// A list or info reply with its request id, taken by RealmNextListReply. The
// id is written into the record at offset 4, as the realm client does (a
// record shorter than 6 bytes is lengthened with zeros to hold it), and is
// also what RealmNextListReply returns.
void PushListReply(uint16_t requestId, int status, std::vector<uint8_t> record);
// A reply handed over byte for byte, whatever id its record carries, while
// RealmNextListReply returns returnedId.
void PushListReplyAsIs(uint16_t returnedId, int status, const std::vector<uint8_t>& record);
int LiveListReplies(); // taken and not yet released
void SetRealmQueued(bool queued, int position = 0);
// The next create request waits in the realm's queue at that position (0 or
// less: it is not queued), moves up one place every stepMs ms of the clock (0:
// never) and is answered with that status when its turn comes. A successful
// create answer makes RealmJoinReplyWord return 1 until the next answer;
// RealmReset forgets the last answer.
void ScriptCreateQueue(int position, uint32_t stepMs, int status);
// Logon: how many pumps/frames until the logon event is signalled (-1: never),
// the status then, and whether selecting the character finishes.
void SetRealmLogon(int framesUntilDone, int status, bool selectDone = true, bool dropDuringWait = false);
void PushRealmMessage(int key, const std::string& text); // through the registered handler
// A ladder reply through the handlers of RealmSetLadderHandlers; false when none is set.
// The entries are cut or padded with zero bytes to count * (12 + nameSize)
// bytes when that is at most 1 MiB (else handed as given), and end right
// before an unreadable page.
bool PushLadderEntries(int firstRow, int count, int nameSize, int type, const std::vector<uint8_t>& entries);
bool PushLadderOther(const std::vector<uint8_t>& record);
// The generated ladder: 1000 characters on each of the types 0..7, 9..16,
// 19..26 and 27..34, entries with 16-byte names, experience falling from
// 9,000,000,000 at place 1 (past 2^32 down to place 786) by 6,000,000 a place.
// With answers on, page and position requests are answered delayMs after the
// request at a realm pump (0: at the next one); -1 (the default) never.
// A position request finds the name on the type its flags choose (both 19, B
// 27, A 0, none 9) and answers with the 16 rows of its page, or with 0 entries.
constexpr int kLadderRows = 1000, kLadderNameSize = 16;
void SetLadderAnswers(int delayMs);
// Puts the character at that row of every type (its generated name moves away).
void PlaceOnLadder(const std::string& name, int row);
std::string LadderName(int type, int row);
uint64_t LadderExperience(int type, int row);
uint32_t LadderFlags(int type, int row); // class, marking, title bits, progress, level
// count entries from firstRow as the realm sends them (rows past the ladder are left out).
std::vector<uint8_t> LadderPage(int type, int firstRow, int count);
// A generated page through the entries handler; false when none is set.
bool PushLadderPage(int type, int firstRow, int count);
// Defaults: disconnected; creates and joins never answered; not queued; a logon
// succeeds with status 0 two frames after RealmStartLogon, selecting finishes.
// With dropDuringWait the logon event is signalled but the realm stays
// disconnected. Calls made every frame (RealmPump, RealmIsConnected,
// RealmLastStatus, RealmLastReplyId, RealmLogonEvent, RealmSelectDone, an empty
// RealmNextListReply) are not recorded.

// ---- 7. core / utility ----------------------------------------------------------
int LiveBlocks();
std::vector<std::string> LogLines();
void SetFullContent(bool full);
void SetRegistryPath(const std::string& path); // default: the user's configuration directory
// Keeps the registry in memory, empty, until the next ResetAll: nothing is read
// from or written to a file (for programs that run thousands of visits).
void UseMemoryRegistry();
// Removes a registry value (RegistryReadNumber then reports it absent).
void ClearRegistryValue(const std::string& key, const std::string& valueName);
uint32_t HashOf(const std::string& word);

// ---- 8. launch record ------------------------------------------------------------
// A record as the host fills it: chat service table, account "Tester",
// character "Arin" of class 0, level 12, realm "" and channel "Lobby".
void FillLaunchRecord(LaunchRecord* record);
// Runs one visit through the module's operation table, as the host does.
uint32_t RunVisit(const LobbyInterface* lobby, LaunchRecord* record);

// ---- 9. reset ----------------------------------------------------------------------
// Forgets every scripted input and recorded call (the module's own state is not touched).
void ResetAll();

// ---- 10. toolkit and sound calls -------------------------------------------------
// Toolkit calls that leave no trace in the screen model (front end, aura images,
// hot-spot arguments, list layout) and every sound call, in order.
std::vector<Call> ToolkitCalls();
std::vector<Call> SoundCalls();
// Every recorded call of every library (chat service, realm client, toolkit,
// sound) in the order made; clearing a library's calls removes them here too.
struct LibraryCall {
    std::string library; // "chat", "realm", "toolkit" or "sound"
    Call call;
};
std::vector<LibraryCall> AllCalls();

// ---- 11. scripted game lists (GameLists.cpp) -------------------------------------
struct GamePlayer {
    std::string name;
    uint16_t classIndex = 0, level = 1;
};
struct RealmGame {
    uint16_t id = 0, players = 0;
    std::string name, description;
    uint32_t elapsedSeconds = 0;
    uint8_t level = 1, difference = 255, maxPlayers = 8;
    std::vector<GamePlayer> playerList;
};
// Once a realm game is scripted, every RealmRequestGameList is answered with one
// list reply per scripted game (in order, repeated ids included) and then the
// end marker, all with status 0; every RealmRequestGameInfo for a scripted name
// with its details (an unknown name gets no reply).
void AddRealmGame(const RealmGame& game); // replaces a game of the same name
void RemoveRealmGame(const std::string& name);
std::vector<uint8_t> GameListReplyBytes(const RealmGame& game, uint16_t requestId);
std::vector<uint8_t> GameListEndBytes(uint16_t requestId);
std::vector<uint8_t> GameInfoReplyBytes(const RealmGame& game, uint16_t requestId);

struct ServiceGame {
    std::string name;
    uint32_t address = 0;
    std::string statText; // difficulty digit, then the description
};
// Once a service game is scripted, GameListQuery answers with a block of the
// scripted games (without a name all of them; with a name those whose name
// equals it ignoring case), in place of SetGameBlock's block.
void AddServiceGame(const ServiceGame& game); // replaces a game of the same name
void RemoveServiceGame(const std::string& name);
std::vector<uint8_t> GameBlockBytes(const std::vector<ServiceGame>& games);

// ---- 11. machine registry and started programs ------------------------------------
// The machine registry the module reads on Linux (empty valueName: the key's
// default value; present false removes the value). Default: ".html" is of the
// class "htmlfile", whose "shell\open\command" is "webbrowser".
void SetMachineString(const std::string& keyPath, const std::string& valueName, const std::string& value,
                      bool present = true);
// Programs are not started: each start is recorded with its argument vector
// and succeeds unless SetProcessStartFails(true).
void SetProcessStartFails(bool fails);
// Linux: starts are still recorded, and the programs really started (for the
// tests of the OS layer's own process handling) until ResetAll.
void SetProcessStartsReal(bool real);
// "ReadMachineString" (key path, value name or "null") and "StartProcess"
// (the argument vector), in order.
std::vector<Call> MachineCalls();
std::vector<Call> MachineCallsNamed(const std::string& name);

} // namespace standin
