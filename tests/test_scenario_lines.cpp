// The scenario parser: its table of line kinds against docs/scenarios.md (every
// line kind documented with its form, every documented example parsed), the
// rejection of malformed lines, and whole scenarios run in-process against the
// module to check what the call, order, record and caret lines see.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "../Src/platform/Corvel.h"
#include "../host/program/Scenario.h"
#include "support/LobbyTest.h"
#include "support/Platform.h"

namespace {

const char kDocs[] = QV_SOURCE_DIR "/docs/scenarios.md";

// ---- the documentation's tables ----------------------------------------------------------
// A row of a table with an "Example" column: its docs line, the code spans of
// its first cell when the table's first column is "Line", and of its example.
struct DocRow {
    int line = 0;
    bool lineTable = false;
    std::vector<std::string> forms, examples;
};

// Cells of a table row, split at each | that is not written \|, with \| made |.
std::vector<std::string> Cells(const std::string& row) {
    std::vector<std::string> cells(1);
    for (size_t i = 1; i < row.size(); ++i) {
        if (row[i] == '\\' && i + 1 < row.size() && row[i + 1] == '|')
            cells.back() += row[++i];
        else if (row[i] == '|')
            cells.emplace_back();
        else
            cells.back() += row[i];
    }
    cells.pop_back(); // after the closing |
    for (std::string& cell : cells) {
        size_t a = cell.find_first_not_of(' '), b = cell.find_last_not_of(' ');
        cell = a == std::string::npos ? "" : cell.substr(a, b - a + 1);
    }
    return cells;
}

std::vector<std::string> CodeSpans(const std::string& cell) {
    std::vector<std::string> spans;
    for (size_t open = cell.find('`'), close; open != std::string::npos; open = cell.find('`', close + 1)) {
        if ((close = cell.find('`', open + 1)) == std::string::npos) break;
        spans.push_back(cell.substr(open + 1, close - open - 1));
    }
    return spans;
}

std::vector<DocRow> DocumentedRows() {
    std::ifstream in(kDocs);
    EXPECT_TRUE(in.good()) << kDocs;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::vector<DocRow> rows;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].rfind("|", 0) != 0 || lines[i + 1].rfind("|---", 0) != 0) continue;
        std::vector<std::string> header = Cells(lines[i]);
        size_t example = std::find(header.begin(), header.end(), "Example") - header.begin();
        bool lineTable = !header.empty() && header[0] == "Line";
        for (i += 2; i < lines.size() && lines[i].rfind("|", 0) == 0; ++i) {
            std::vector<std::string> cells = Cells(lines[i]);
            if (example >= header.size()) continue;
            DocRow row{(int)i + 1, lineTable, {}, {}};
            if (lineTable && !cells.empty()) row.forms = CodeSpans(cells[0]);
            if (cells.size() > example) row.examples = CodeSpans(cells[example]);
            rows.push_back(row);
        }
    }
    return rows;
}

std::string FormOf(const qvhost::LineKind& kind) {
    std::string shape = kind.shape;
    return std::string(kind.keyword) + (shape.empty() ? "" : " " + shape);
}

TEST(ScenarioDocs, EveryLineKindIsDocumentedOnceInItsForm) {
    std::map<std::string, int> documented;
    for (const DocRow& row : DocumentedRows())
        if (row.lineTable) {
            EXPECT_EQ(row.forms.size(), 1u) << "docs line " << row.line << ": one form per row";
            for (const std::string& form : row.forms)
                ++documented[form];
        }
    ASSERT_GT(documented.size(), 60u) << "the line tables were not found";
    std::set<std::string> known;
    for (const qvhost::LineKind* kind : qvhost::LineKinds()) {
        known.insert(FormOf(*kind));
        EXPECT_EQ(documented[FormOf(*kind)], 1)
            << "docs/scenarios.md should list `" << FormOf(*kind) << "` once";
    }
    for (const auto& [form, count] : documented)
        EXPECT_TRUE(known.count(form))
            << "docs/scenarios.md lists `" << form << "`, which the parser does not know";
}

TEST(ScenarioDocs, EveryExampleParsesAsTheLineOfItsRow) {
    standin::ResetAll();
    int parsed = 0;
    for (const DocRow& row : DocumentedRows()) {
        EXPECT_TRUE(!row.lineTable || !row.examples.empty()) << "docs line " << row.line << " has no example";
        for (const std::string& example : row.examples) {
            SCOPED_TRACE("docs line " + std::to_string(row.line) + ": " + example);
            qvhost::LineReader reader(example, qvhost::Where{kDocs, row.line});
            const qvhost::LineKind* kind = qvhost::FindLineKind(reader);
            ASSERT_NE(kind, nullptr);
            if (row.lineTable) {
                EXPECT_EQ(std::vector<std::string>{FormOf(*kind)}, row.forms);
            }
            EXPECT_TRUE(kind->parse(reader) != nullptr); // a malformed example ends the program here
            ++parsed;
        }
    }
    EXPECT_GT(parsed, 90);
    standin::ResetAll(); // the frames example enqueued steps
}

// ---- the table itself -----------------------------------------------------------------------
TEST(ScenarioLines, EveryKeywordIsReachable) {
    std::set<std::string> keywords, firstWords, singles;
    for (const qvhost::LineKind* kind : qvhost::LineKinds()) {
        std::string keyword = kind->keyword;
        EXPECT_TRUE(keywords.insert(keyword).second) << "two rows for " << keyword;
        size_t blank = keyword.find(' ');
        EXPECT_EQ(keyword.find(' ', blank == std::string::npos ? blank : blank + 1), std::string::npos)
            << keyword << ": keywords are one or two words";
        (blank == std::string::npos ? singles : firstWords).insert(keyword.substr(0, blank));
        EXPECT_NE(kind->parse, nullptr) << keyword;
    }
    // A one-word keyword that also starts two-word keywords would hide them.
    for (const std::string& word : singles)
        EXPECT_FALSE(firstWords.count(word)) << word;
}

void Parse(const std::string& text) {
    qvhost::LineReader reader(text, qvhost::Where{"bad.scn", 7});
    qvhost::FindLineKind(reader)->parse(reader);
}

TEST(ScenarioLinesDeathTest, MalformedLinesEndTheProgramWithTheirPlace) {
    const struct {
        const char* line;
        const char* message;
    } kCases[] = {
        {"bogus 1", "bad.scn:7: unknown line: bogus"},
        {"realm", "missing the word after realm"},
        {"realm nonsense 1", "unknown line: realm nonsense"},
        {"\"click\" 5316", "unknown line: click"},
        {"key up", "unknown key up"},
        {"key left now", "unexpected text at the end of the line"},
        {"select 1", "missing end"},
        {"expect order FrontEndBegin", "two calls or more"},
        {"expect order A(x B", "end in \\)"},
        {"expect order (x) B", "call name is missing"},
        {"expect toolkitcalls LoadImage", "call count is not a number"},
        {"expect soundcall", "missing call name"},
        // Numbers outside what their line can hold fail instead of wrapping.
        {"clickat 6 -99999 99999999999", "y is out of range \\(-2147483648 to 2147483647\\): 99999999999"},
        {"click 99999999999999999999", "string id is out of range"},
        {"wait -5", "milliseconds is out of range \\(0 to 4294967295\\): -5"},
        {"clock -1", "tick count is out of range"},
        {"realm game 70000 1 Duel", "game id is out of range"},
        {"record characterLevel 0x100000000", "characterLevel is out of range"},
        {"failfigures -1", "count is out of range"},
        {"wait 5ms", "milliseconds is not a number: 5ms"},
        {"wait \" 5\"", "milliseconds is not a number"},
        {"wait --5", "milliseconds is not a number"},
        {"wait 0x", "milliseconds is not a number"},
        // The line's bytes come back escaped, never raw to the terminal.
        {"bogus\x1b[2J", "unknown line: bogus\\\\x1b\\[2J"},
        {"bogus\xff\xc2\x85", "unknown line: bogus\\\\xff\\\\xc2\\\\x85"},
        {"wait 1\x07", "milliseconds is not a number: 1\\\\x07"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.line);
        EXPECT_EXIT(Parse(c.line), testing::ExitedWithCode(2), c.message);
    }
    // The service writes a record into a buffer of QV_EVENT_RECORD_SIZE bytes.
    std::string record = "rawevent 0";
    for (int i = 0; i < QV_EVENT_RECORD_SIZE; ++i)
        record += " 41";
    Parse(record);
    EXPECT_EXIT(Parse(record + " 42"), testing::ExitedWithCode(2),
                "rawevent takes at most 288 bytes \\(the event record's size\\), found 289");
    standin::ResetAll(); // the rawevent line's step is not run here
}

TEST(ScenarioText, PrintableKeepsTextAndEscapesControlsAndBrokenBytes) {
    const struct {
        const char* in;
        const char* out;
    } kCases[] = {
        {"plain text", "plain text"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82"},
        {"a\tb\nc\x7f", "a\\x09b\\x0ac\\x7f"},
        {"\xc2\x9b"
         "1m",
         "\\xc2\\x9b1m"},                    // a C1 control
        {"\xc0\xafx", "\\xc0\\xafx"},        // overlong
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"}, // a surrogate
        {"\xe2\x82", "\\xe2\\x82"},          // cut short
    };
    for (const auto& c : kCases)
        EXPECT_EQ(qvhost::Printable(c.in), c.out) << c.in;
}

// ---- whole scenarios ------------------------------------------------------------------------------
// Runs the scenario text in this process against the module's own table, checks
// the exit code; returns the output.
std::string ExpectRun(const std::string& text, int code) {
    // One file per test process: ctest runs the tests of this program side by side.
    std::string path = testing::TempDir() + "scenario_lines_test_" + std::to_string(getpid()) + ".scn";
    {
        std::ofstream out(path);
        out << text;
    }
    qvhost::Options options;
    options.scenarioPath = path;
    testing::internal::CaptureStdout();
    int result = qvhost::RunScenario(options, QueryInterface());
    std::string output = testing::internal::GetCapturedStdout();
    std::remove(path.c_str());
    EXPECT_EQ(result, code) << output;
    return output;
}

// Each scenario with its exit code, what its output must hold and what it must not.
// (Passing call, order and record expectations, across the libraries and with
// wildcards: default.scn and channel.scn.)
TEST(ScenarioRun, ExpectationsPassOrFailWithTheirLineAndWhatWasFound) {
    const struct {
        std::string text;
        int code;
        std::vector<std::string> says;
        const char* notSaid = nullptr;
    } kCases[] = {
        {"click 5316\nexpect toolkitcalls 51 LoadImage\nexpect nosoundcall SoundEnd\n"
         "expect toolkitcall FrontEndSetMode 2\n",
         1,
         {":2: expected 51 toolkit calls LoadImage, found 52; the LoadImage calls were:",
          "... 40 more", // long lists are cut short
          ":3: expected no sound call SoundEnd, found SoundEnd()",
          ":4: expected a toolkit call FrontEndSetMode \"2\"; the FrontEndSetMode calls were:\n"
          "    FrontEndSetMode(\"1\")"}},
        // Order: only in the order the calls were made.
        {"click 5316\nexpect order FrontEndBegin LeaveChat EnterChat\nexpect order SoundEnd(1) FrontEndEnd\n",
         1,
         {":2: expected the calls in order FrontEndBegin LeaveChat EnterChat; after call #",
          "(LeaveChat) there was no EnterChat; the EnterChat calls were:\n    #",
          ":3: expected the calls in order SoundEnd(1) FrontEndEnd; among the calls there was no "
          "SoundEnd(1)"}},
        // A record expectation before the last step reads the record then.
        {"event 7 0 - Lobby\nexpect record channelName Trade\nevent 7 0 - Trade\nclick 5316\n",
         1,
         {":2: record channelName: expected \"Trade\", found \"Lobby\""}},
        // Keys and selections edit at the caret of the focused box only.
        {"type hello world\nkey home\nkey right\nkey right\ntype X\nexpect input heXllo world\n"
         "key left\nkey left\nkey left\nkey left\n" // stops at the start
         "type <\nkey end\ntype >\nexpect input <heXllo world>\n"
         "select 99 2\n" // clamped, either order
         "type Y\nexpect input <hY\nclick 5316\n",
         0,
         {}},
        {"record channelName \"\"\nframes 1\nkey end\nselect 0 1\nclick 5316\n", // no input line
         1,
         {":3: no edit box has the focus for the key", ":4: no edit box has the focus to select in"}},
        // A line continues after a blank and a backslash; line numbers stay the file's.
        {"event 7 0 \\\n  - Lobby\nexpect pane 5 You have joined \\\nchannel: Lobby\nclick 5316\n"
         "expect log no such line\n",
         1,
         {":6: expected the log line"},
         ":3:"},
    };
    for (const auto& c : kCases) {
        std::string output = ExpectRun(c.text, c.code);
        for (const std::string& said : c.says)
            EXPECT_NE(output.find(said), std::string::npos) << "should say: " << said << "\n" << output;
        if (c.notSaid) {
            EXPECT_EQ(output.find(c.notSaid), std::string::npos) << output;
        }
    }
}

TEST(ScenarioRun, AFolderOrAMissingFileIsNoScenario) {
    std::string folder = lobbytest::MakeTempDirectory("scenario_folder");
    ASSERT_FALSE(folder.empty());
    for (const auto& [path, says] :
         {std::pair<std::string, const char*>{folder, " is a folder, not a scenario file"},
          {folder + "/missing.scn", "cannot read "}}) {
        qvhost::Options options;
        options.scenarioPath = path;
        testing::internal::CaptureStderr();
        EXPECT_EQ(qvhost::RunScenario(options, QueryInterface()), 2) << path;
        EXPECT_NE(testing::internal::GetCapturedStderr().find(says), std::string::npos) << path;
    }
    std::filesystem::remove_all(folder);
}

// Where the stand-in keeps the user's registry by default (Corvel.cpp).
void SetConfigHome(const std::string& dir) {
#if defined(_WIN32)
    _putenv_s("APPDATA", dir.c_str());
#else
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
#endif
}

TEST(ScenarioRun, ScenariosKeepTheirRegistryToThemselves) {
    std::string home = lobbytest::MakeTempDirectory("scenario_registry");
    ASSERT_FALSE(home.empty());
    SetConfigHome(home);
    ExpectRun("registry Quorvane MAX_PLAYER 6\nclick 5316\n", 0);
    uint32_t value = 0;
    EXPECT_EQ(RegistryReadNumber("Quorvane", "MAX_PLAYER", 0, &value), 1) << "the run's own registry";
    EXPECT_FALSE(std::filesystem::exists(home + "/qvhost")) << "the user's registry was written";
    // The next run starts from an empty registry of its own.
    ExpectRun("click 5316\n", 0);
    EXPECT_EQ(RegistryReadNumber("Quorvane", "MAX_PLAYER", 0, &value), 0);
    // A registrypath line still names a file the run keeps.
    std::string file = home + "/chosen.txt";
    std::string written = file; // a backslash in a scenario starts an escape
    std::replace(written.begin(), written.end(), '\\', '/');
    ExpectRun("registrypath " + written + "\nregistry Quorvane LVL_REST 9\nclick 5316\n", 0);
    std::string line;
    {
        std::ifstream kept(file);
        EXPECT_TRUE(std::getline(kept, line) && line == "Quorvane\\LVL_REST=9") << line;
    }
    standin::ResetAll();
    std::error_code error;
    std::filesystem::remove_all(home, error);
}

// ---- the printed screen ---------------------------------------------------------------------------
// The character layout's own figure with both look blocks and a logo; the chat
// pane scrolled and the input's selection.
TEST(ScreenPrint, ShowsLooksScrollPositionAndSelection) {
    std::string screen, pane;
    int top = -1;
    {
        lobbytest::Visit visit;
        visit.record.figureLookA[0] = 0xab;
        visit.record.figureLookB[15] = 0x5c;
        visit.SetChannel("");
        standin::Frames(1);
        standin::Check([&] { screen = qvhost::ScreenText(); });
        EXPECT_EQ(visit.Quit(), 4u);
    }
    standin::ResetAll();
    lobbytest::Visit visit;
    standin::PushChatEvent(7, 0, "", "Lobby");
    for (int i = 0; i < 25; ++i)
        standin::PushChatEvent(5, 0, "Mira*Kestrel", "line " + std::to_string(i));
    standin::Frames(30);  // the service hands over one event a frame
    lobbytest::Say("hi"); // a line sent keeps the pane at its end
    standin::Type("hello");
    standin::Check([] { standin::SelectText(4, 1); });
    standin::Check([&] {
        pane = qvhost::ScreenText();
        top = lobbytest::ChatPane()->scrollTop;
    });
    EXPECT_EQ(visit.Quit(), 4u);
    EXPECT_EQ(top, 8) << "27 lines in a pane that shows 19";
    for (const auto& [text, part] : {
             std::pair<const std::string&, std::string>{
                 screen, "      param 571 param2 0 look ab 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 / "
                         "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 5c\n"},
             {screen, " logo QvlogoBlackLanthorn QvlogoLanthorn frames 3 speed 1\n"},
             {pane, "      style 0 font 4 flags 0x4 scroll bar at 400,390 height 314 top 8 shows 19\n"},
             {pane, "      style 0 font 4 flags 0x16 enter callback\n"
                    "      edit \"hello\" caret 1 selected 1 to 4 max 200\n"},
         })
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

// ---- the stand-in's joint call log ----------------------------------------------------------
// (Its order across the libraries: the order expectation above.)
TEST(StandInCallLog, ForgetsWhatIsCleared) {
    EXPECT_EQ(lobbytest::Visit().Quit(), 4u);
    size_t all = standin::AllCalls().size(), chat = standin::ChatCalls().size();
    ASSERT_GT(chat, 0u);
    standin::ClearChatCalls();
    EXPECT_EQ(standin::AllCalls().size(), all - chat);
    for (const standin::LibraryCall& c : standin::AllCalls())
        EXPECT_NE(c.library, "chat");
    standin::ResetAll();
    EXPECT_TRUE(standin::AllCalls().empty());
}

} // namespace
