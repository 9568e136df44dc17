// Shared helpers for the lobby's tests: a launch record as the host fills it,
// a visit run through the module's operation table, scripted service input,
// and readers of the screen model's well-known controls.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../Src/core/LaunchRecord.h"
#include "../../Src/core/Lobby.h"
#include "../../host/standin/StandIn.h"
#include "Platform.h"

namespace lobbytest {

// String ids of the labels the tests click.
enum Label {
    kOkLabel = 5102,
    kCancelLabel = 5103,
    kSendLabel = 5305,
    kWhisperLabel = 5306,
    kSquelchLabel = 5307,
    kEmoteLabel = 5309,
    kUnsquelchLabel = 5310,
    kCreateLabel = 5312,
    kJoinLabel = 5313,
    kChannelLabel = 5314,
    kLadderLabel = 5315,
    kQuitLabel = 5316,
    kEnterChatLabel = 11126,
};
constexpr int kPleaseWait = 5243, kConnectionLost = 5351;
// Colour marker (string 3994 of the stand-in's table) as UTF-8.
extern const std::string kMarker;

using Texts = std::vector<std::string>;

// A launch record filled like the host does (chat layout, channel "Lobby").
struct Visit {
    LaunchRecord record;
    Visit();
    // In that channel ("": the character layout), on that realm (connected, with
    // a realm account) unless it is null.
    explicit Visit(const char* channel, const char* realm = nullptr);
    // Runs one visit; fails the test when the screen loop had to be ended by
    // force or a scripted click found no control.
    uint32_t Run();
    // Clicks quit after everything scripted so far, then runs the visit.
    uint32_t Quit();
    // Sets the channel name (empty: character layout).
    void SetChannel(const char* name);
    void SetRealm(const char* name);
    void SetHome(const char* name);
    uint32_t NextAction() const { return record.nextAction; } // the record is packed: read by value
};

// A fresh stand-in (ResetAll), its clock far from that of any earlier visit in
// this process (the module keeps some times across visits).
void Fresh();
// Arguments of every chat-service, realm or machine call of that name, in order.
std::vector<Texts> ChatArgs(const char* name);
std::vector<Texts> RealmArgs(const char* name);
std::vector<Texts> MachineArgs(const char* name);
// The realm's reply with that status to the request the lobby waits for.
void Answer(int status);

standin::Control* ChatPane();
standin::Control* Input();
standin::Control* TitleList();
standin::Control* SidePanelTextBox();
standin::Control* PanelMessage();
standin::Control* LitButton();
// The panel message's label ("" when none is shown).
std::string PanelText();
// The label of the control of that kind at x, y ("<none>" when there is none).
std::string LabelAt(int kind, int x, int y);
// What a control is to the player: "input", "quit", "ok" or "cancel" (the
// dialogs' buttons at the bottom), "edit X,Y" for another edit box, "none" or
// "other"; Roles() gives those of the focus and the cancel control, joined by '/'.
std::string RoleOf(QvControl handle);
std::string Roles();
// The chat pane's lines as UTF-8 (empty when the pane does not exist).
std::vector<std::string> PaneLines();
std::vector<int> PaneColours();
// UTF-8 text of a string id from the stand-in table (a test fails on an empty
// one: comparisons against it would prove nothing).
std::string Text(int id);
// Texts of the small popup's text box, if one is shown ("" otherwise).
std::string PopupText();
// Whether some live control shows the text of that string id (label or line).
bool Showing(int id);
// Every line handed to SendChatLine, in order.
std::vector<std::string> SentLines();
// Checks the controls of the chat layout, with the input line focused.
void ExpectChatLayout();

// What a check mid-visit sees of the channel.
struct Screen {
    std::vector<standin::TextLine> pane;
    std::string input, title;
    int titleSerial = 0; // when the title line was written (standin::TextLine::order)
    std::vector<standin::Figure> figures;
    bool arrows[4] = {}; // -10, +10, -1, +1
    bool squelch = false, unsquelch = false;
    int litFrame = -1;
    std::vector<std::string> Texts() const;
    std::string Last() const; // last pane line ("" when empty)
    // The figure whose first label is "*" + account.
    const standin::Figure* FigureOf(const std::string& account) const;
};
Screen Look();
// Runs one frame (so events pushed before are polled), then looks.
void Snap(Screen* s);
// Runs everything scripted so far, looks at the channel, then quits.
Screen LookThenQuit(Visit& visit);

// Scripted service input: each event is polled in the frame after it, in
// order with the clicks and keys around it.
void Push(uint32_t number, uint32_t flags, const std::string& name, const std::string& text);
void PushRaw(const std::vector<uint8_t>& bytes); // a kind-0 record, byte for byte
// Types the line and presses Enter.
void Say(const std::string& line);
// Puts a user in the channel and selects it in the first figure cell.
void AddAndSelect(const std::string& name, uint32_t flags = 0);
void SelectFirstUser();

// A QvDV/QvXP/QvST character description as the service sends it.
std::string Description(const char* tag, const std::string& character, int classIndex, uint16_t status,
                        const std::string& realm = "West", uint8_t firstAppearance = 3);
// Status word with a progress number in bits 8..12.
inline uint16_t Progress(int progress, uint16_t bits = 0) {
    return (uint16_t)(progress << 8 | bits);
}
// "C<i>*A<i>": character C<i> of account A<i>.
std::string UserName(int i);

} // namespace lobbytest
