// The host program's pieces: loading the module, reading a scenario, checking
// expectations and printing the screen model.
//
// A scenario is read line by line (docs/scenarios.md). Setup lines change the
// launch record and the stand-in state before the visit; actions, service input
// and mid-visit expectations become scripted actions of the stand-in's screen
// loop; the remaining expectations are checked after the visit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../../include/QvMulti.h"

namespace qvhost {

// ---- module loading (ModuleLoader.cpp) ----------------------------------------
// Loads the module and returns its operation table, or null with *error set.
const LobbyInterface* LoadModule(const std::string& path, std::string* error);
// The module's file name next to the program (argv[0]).
std::string DefaultModulePath(const char* argv0);

// ---- the temporary folder (TempFolder.cpp) ----------------------------------------
// Gives the program a temporary folder of its own (TMPDIR; TMP and TEMP on
// Windows), removed with everything in it when the program ends. False with
// *error set when it cannot be made.
bool UseOwnTempFolder(std::string* error);

// ---- scenario text (ScenarioText.cpp) -------------------------------------------
struct Token {
    std::string text;
    bool quoted = false;
};
// Where a line came from, for messages ("file:line").
struct Where {
    std::string file;
    int line = 0;
    std::string Text() const { return file + ":" + std::to_string(line); }
};
// One scenario line after the comment is cut off; tokens are taken one by one,
// the rest of the line can be taken as one text argument.
class LineReader {
  public:
    LineReader(const std::string& text, const Where& where) : text_(text), where_(where) {}
    bool AtEnd();
    Token Next(const char* what); // fails the scenario when nothing is left
    bool NextIf(Token* token);    // false at the end of the line
    std::string Word(const char* what) { return Next(what).text; }
    // A number within [low, high]: decimal or 0x hex, '-' before either; one
    // outside the range fails the scenario rather than wrap. The typed ones take
    // the range of their type.
    long long Number(const char* what, long long low, long long high);
    int Int(const char* what) { return (int)Number(what, INT32_MIN, INT32_MAX); }
    int Count(const char* what) { return (int)Number(what, 0, INT32_MAX); }
    uint32_t Uint32(const char* what) { return (uint32_t)Number(what, 0, UINT32_MAX); }
    uint16_t Uint16(const char* what) { return (uint16_t)Number(what, 0, UINT16_MAX); }
    uint8_t Uint8(const char* what) { return (uint8_t)Number(what, 0, UINT8_MAX); }
    std::string Rest(); // the rest as one text ("" when nothing is left)
    void End();         // fails when anything is left
    const Where& where() const { return where_; }

  private:
    void SkipBlanks();
    std::string text_;
    size_t pos_ = 0;
    Where where_;
};
// Reports a malformed scenario line and ends the program with exit code 2.
[[noreturn]] void ScenarioError(const Where& where, const std::string& message);
long long ParseNumber(const Where& where, const std::string& text, const char* what, long long low,
                      long long high);
// The text with control bytes, C1 controls and bytes that are not UTF-8 written
// as \xNN, so that a message never sends raw bytes to the terminal; with
// keepLines a line feed stays one (messages of several lines).
std::string Printable(const std::string& text, bool keepLines = false);
std::vector<uint8_t> ParseHex(const Where& where, const std::string& text);
// Escapes a text for printing: quotes, backslashes, control bytes, and the
// colour marker shown as \m.
std::string Quote(const std::string& utf8);

// ---- line kinds ------------------------------------------------------------------------
// What a parsed line does when its time comes: "" when it went well, otherwise
// the failure (a click that found nothing, an expectation that does not hold).
using Run = std::function<std::string()>;
// A Run that cannot fail.
Run Do(std::function<void()> action);

// When a line takes effect.
enum LineUse {
    kRecordLine, // the launch record: before the first step, applied as it is read
    kSetting,    // stand-in state: at once before the first step, as a step after it
    kStep,       // an action or service input: one step (one frame)
    kCheck,      // an expectation: a step at its place, or after the visit when no step follows
    kCheckAfter, // an expectation checked after the visit
};

// One kind of scenario line. The keyword is one or two words ("click", "realm
// reply", "expect pane"); the shape names the arguments as docs/scenarios.md
// writes them; parse reads the arguments (the reader stands after the keyword),
// fails the scenario when the line is malformed and returns what the line does.
// A new line is one row in one of the tables below and its parse function,
// and a row with an example in docs/scenarios.md (a test holds them together).
struct LineKind {
    const char* keyword;
    const char* shape;
    LineUse use;
    Run (*parse)(LineReader& reader);
};
extern const std::vector<LineKind> kSettingLines; // Settings.cpp: the launch record and the stand-in state
extern const std::vector<LineKind> kStepLines;    // Steps.cpp: actions and service input
extern const std::vector<LineKind> kExpectLines;  // Expectations.cpp: "expect ..." lines
extern const std::vector<LineKind> kGameLines;    // GameLines.cpp: game lists and list rows
// Every line kind, in table order.
std::vector<const LineKind*> LineKinds();
// Reads the keyword that starts the line and returns its row; null for a blank
// line. An unknown keyword fails the scenario.
const LineKind* FindLineKind(LineReader& reader);

// ---- the scenario run (Scenario.cpp) -------------------------------------------------
struct Options {
    std::string modulePath;
    std::string scenarioPath;
    bool print = false;
    bool printCalls = false; // with print: every call of every library, in order
    // Pictures and the window (Pictures.cpp; Linux only).
    std::string pngDir;   // --png: pictures at show and picture lines and at the end
    std::string artDir;   // --art: the game's images by stem, drawn instead of framed areas
    bool window = false;  // --window: the visit in a window a person uses
    bool overlay = false; // --overlay: hot spots, clickable areas and timers outlined
    int crowd = -1;       // --crowd: simulated users (-1: 40 without a scenario, none with one)
    uint32_t seed = 1;    // --seed: the crowd's seed
    int fps = 60;         // --fps: window frames per second
    // A real chat server instead of the scripted chat service (NetVisit.cpp; Linux only).
    std::string irc;           // --irc HOST:PORT
    std::string nick;          // --nick: the player's nick, which is the account name
    std::string characterFile; // --character: the player's character
};
// Reads and runs the scenario; returns the program's exit code.
int RunScenario(const Options& options, const LobbyInterface* lobby);
// The run's launch record and RunLobby's result (valid after the visit).
LaunchRecord* ScenarioRecord();
const uint32_t* ScenarioResult();
// Enqueues count more steps in which nothing happens (the frames line).
void EnqueueIdleSteps(const Where& where, int count);
// Prints the screen now, headed by where it was asked for.
void ShowScreen(const Where& where);

// ---- the chat server (NetVisit.cpp) --------------------------------------------------
// With --irc: connects the player and points the launch record at the network
// chat service (a failed connection is reported and the visit fails as the
// module says, with the service not connected); false for bad options.
bool PrepareNetVisit(const Options& options, LaunchRecord* record);
// After the visit: the creator of an open-mode game stays connected until a
// player has joined it (at most two minutes), then the connection ends.
void EndNetVisit(const Options& options, const LaunchRecord* record, uint32_t result);

// ---- pictures and the window (Pictures.cpp) ------------------------------------------
bool RendererAvailable();
// Opens the renderer, the window and the crowd the options ask for; false
// (after a message) when one cannot be had.
bool StartScreenOutput(const Options& options);
// Write DIR/NAME.png, DIR/<scenario>-<line>.png and DIR/<scenario>-end.png when
// --png names a folder (nothing otherwise); "" or what went wrong.
std::string TakePicture(const std::string& name);
std::string TakeLinePicture(const Where& where);
std::string TakeEndPicture();
void EndScreenOutput();

// ---- expectations (Expectations.cpp) --------------------------------------------------
// Visible text of a pane line: every colour marker with the character after it removed.
std::u16string VisibleText(const std::u16string& stored);
std::u16string ColourMarker();

// ---- launch record fields (RecordFields.cpp) -------------------------------------------
// Applies "record <field> <value>".
void SetRecordField(LineReader& reader, LaunchRecord* record);
// The field's value as printed ("" and *known false for an unknown name).
std::string RecordFieldText(const LaunchRecord* record, const std::string& field, bool* known);
// Compares a field with the value written in a scenario; "" when equal.
std::string CompareRecordField(const LaunchRecord* record, const std::string& field, const std::string& value,
                               const Where& where);
bool IsRecordField(const std::string& field);
std::vector<std::string> OutputFieldNames();

// ---- printing (ScreenPrint.cpp) ----------------------------------------------------------
std::string ScreenText();
std::string CallsText();
std::string AllCallsText(); // every library's calls in the order made, numbered
std::string RecordOutputText(const LaunchRecord* record);

} // namespace qvhost
