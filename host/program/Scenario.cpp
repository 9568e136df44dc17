// The scenario run: reads a scenario, prepares the launch record and the
// stand-in state, scripts the visit, runs it and checks the expectations.
//
// State: the run's launch record, result, the scripted steps (where each came
// from and how many ran) and the failures found so far, in the order found.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "../standin/StandIn.h"
#include "Scenario.h"

namespace qvhost {

static Options options;
static LaunchRecord record;
static uint32_t result;
static std::vector<Where> steps; // every scripted step, in script order
static int stepsRun;
static std::vector<std::string> failures;
static std::string lastScreen; // after the last scripted step that ran (--print)
static Where lastScreenWhere;

static void Fail(const Where& where, const std::string& message) {
    failures.push_back(where.Text() + ": " + message);
}

// Every scripted step runs as one action of the screen loop (one frame each).
static void EnqueueStep(const Where& where, std::function<void()> step) {
    int index = (int)steps.size();
    steps.push_back(where);
    standin::Enqueue([where, step, index]() {
        step();
        stepsRun = index + 1;
        if (stepsRun == (int)steps.size()) {
            std::string error = TakeEndPicture();
            if (!error.empty()) Fail(where, error);
        }
        if (options.print) {
            lastScreen = ScreenText();
            lastScreenWhere = where;
        }
    });
}

Run Do(std::function<void()> action) {
    return [action]() -> std::string {
        action();
        return "";
    };
}

LaunchRecord* ScenarioRecord() {
    return &record;
}

const uint32_t* ScenarioResult() {
    return &result;
}

// A step's failure is its line's failure.
static void EnqueueRun(const Where& where, Run run) {
    EnqueueStep(where, [where, run]() {
        std::string message = run();
        if (!message.empty()) Fail(where, message);
    });
}

void EnqueueIdleSteps(const Where& where, int count) {
    for (int i = 0; i < count; ++i)
        EnqueueStep(where, []() {});
}

void ShowScreen(const Where& where) {
    std::string text = "--- screen at " + where.Text() + " ---\n" + ScreenText();
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// A line that ends in a blank and a backslash continues on the next line: the
// backslash is taken off and the next line follows at once, its leading blanks
// included, so a text broken after a blank reads as written.
static bool Continues(std::string* line) {
    size_t end = line->find_last_not_of(" \t\r");
    if (end == std::string::npos || end == 0 || (*line)[end] != '\\') return false;
    if ((*line)[end - 1] != ' ' && (*line)[end - 1] != '\t') return false;
    line->erase(end);
    return true;
}

// ---- line kinds -------------------------------------------------------------------------
static const std::vector<LineKind>* const kLineTables[] = {&kSettingLines, &kStepLines, &kExpectLines,
                                                           &kGameLines};

std::vector<const LineKind*> LineKinds() {
    std::vector<const LineKind*> kinds;
    for (const std::vector<LineKind>* table : kLineTables)
        for (const LineKind& kind : *table)
            kinds.push_back(&kind);
    return kinds;
}

static const LineKind* KindNamed(const std::string& keyword, bool* isFirstWord) {
    *isFirstWord = false;
    std::string prefix = keyword + " ";
    for (const LineKind* kind : LineKinds()) {
        if (keyword == kind->keyword) return kind;
        if (std::string(kind->keyword).compare(0, prefix.size(), prefix) == 0) *isFirstWord = true;
    }
    return nullptr;
}

const LineKind* FindLineKind(LineReader& reader) {
    Token word;
    if (!reader.NextIf(&word)) return nullptr;
    std::string keyword = word.text;
    bool isFirstWord = false;
    const LineKind* kind = word.quoted ? nullptr : KindNamed(keyword, &isFirstWord);
    if (!kind && isFirstWord) {
        Token second;
        if (reader.NextIf(&second) && !second.quoted) {
            keyword += " " + second.text;
            kind = KindNamed(keyword, &isFirstWord);
        } else {
            ScenarioError(reader.where(), "missing the word after " + keyword);
        }
    }
    if (!kind) ScenarioError(reader.where(), "unknown line: " + keyword);
    return kind;
}

// Opens the scenario file; "" or why it cannot be read. A folder opens as an
// empty stream on some systems, which would run a visit without any line.
static std::string OpenScenario(const std::string& path, std::ifstream* in) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return path + " is a folder, not a scenario file";
    in->open(path);
    if (!*in) return "cannot read " + path + ": " + std::strerror(errno);
    return "";
}

// ---- the run --------------------------------------------------------------------------------------
int RunScenario(const Options& opts, const LobbyInterface* lobby) {
    options = opts;
    steps.clear();
    stepsRun = 0;
    failures.clear();
    lastScreen.clear();
    result = 0;
    std::ifstream in;
    if (!options.scenarioPath.empty()) { // a window without a scenario: no lines
        std::string error = OpenScenario(options.scenarioPath, &in);
        if (!error.empty()) {
            std::fprintf(stderr, "qvhost: %s\n", Printable(error).c_str());
            return 2;
        }
    }
    std::vector<std::string> lines;
    std::vector<int> numbers; // each line's number in the file (its first, when continued)
    int fileLines = 0;
    for (std::string line; std::getline(in, line);) {
        ++fileLines;
        if (!lines.empty() && Continues(&lines.back())) {
            lines.back() += line;
        } else {
            lines.push_back(line);
            numbers.push_back(fileLines);
        }
    }
    if (in.bad()) {
        std::fprintf(stderr, "qvhost: %s\n", Printable("cannot read " + options.scenarioPath).c_str());
        return 2;
    }
    if (!lines.empty() && Continues(&lines.back()))
        ScenarioError(Where{options.scenarioPath, fileLines},
                      "the last line continues after the end of the file");

    // Where the steps begin and end decides when settings and expectations apply.
    std::vector<LineUse> uses;
    std::vector<bool> blank;
    int firstStep = -1, lastScripted = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        LineReader reader(lines[i], Where{options.scenarioPath, numbers[i]});
        const LineKind* kind = FindLineKind(reader);
        blank.push_back(kind == nullptr);
        uses.push_back(kind ? kind->use : kCheck);
        if (!kind) continue;
        if (kind->use == kStep && firstStep < 0) firstStep = (int)i;
        if (kind->use == kStep || (kind->use == kSetting && firstStep >= 0)) lastScripted = (int)i;
    }

    standin::ResetAll();
    // A scenario's registry lines and the module's remembered settings stay in
    // the run; only the window without a scenario, which a person uses, keeps
    // the user's registry file. A registrypath line names a file instead.
    if (!options.scenarioPath.empty()) standin::UseMemoryRegistry();
    standin::FillLaunchRecord(&record);
    if (!PrepareNetVisit(options, &record)) return 2;
    struct AfterVisit {
        Where where;
        Run check;
    };
    std::vector<AfterVisit> afterVisit;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (blank[i]) continue;
        Where where{options.scenarioPath, numbers[i]};
        bool beforeVisit = firstStep < 0 || (int)i < firstStep;
        if (uses[i] == kRecordLine && !beforeVisit)
            ScenarioError(where, "record lines belong before the first action");
        LineReader reader(lines[i], where);
        Run run = FindLineKind(reader)->parse(reader);
        switch (uses[i]) {
        case kRecordLine:
            break;
        case kSetting:
            if (beforeVisit)
                run();
            else
                EnqueueRun(where, run);
            break;
        case kStep:
            EnqueueRun(where, run);
            break;
        case kCheck:
            if ((int)i > lastScripted)
                afterVisit.push_back({where, run});
            else
                EnqueueRun(where, run);
            break;
        case kCheckAfter:
            afterVisit.push_back({where, run});
            break;
        }
    }

    if (!StartScreenOutput(options)) return 2;
    result = standin::RunVisit(lobby, &record);
    if (steps.empty()) {
        std::string error = TakeEndPicture();
        if (!error.empty()) Fail(Where{options.scenarioPath, (int)lines.size()}, error);
    }
    EndScreenOutput();
    EndNetVisit(options, &record, result);

    if (stepsRun < (int)steps.size())
        Fail(steps[stepsRun], "the visit ended before this line ran (" +
                                  std::to_string(steps.size() - stepsRun) + " scripted steps left)");
    if (standin::ScriptFailed())
        Fail(Where{options.scenarioPath, fileLines},
             "the stand-in's script failed (see its message above: a click found nothing or loops nested too "
             "deeply)");
    if (standin::LoopTimedOut())
        Fail(Where{options.scenarioPath, fileLines}, "the visit did not end: the screen loop ran " +
                                                         std::to_string(standin::kIdleFrameLimit) +
                                                         " idle frames and was ended by force");
    // The package's list of string ids is the stand-in's table: a text the
    // module asks for that the table lacks would be missing from it too.
    std::string unknown;
    for (int id : standin::UnknownStringIds())
        unknown += (unknown.empty() ? "" : ", ") + std::to_string(id);
    if (!unknown.empty())
        Fail(Where{options.scenarioPath, fileLines},
             "the module asked for string ids the stand-in's string table lacks: " + unknown);
    for (const AfterVisit& a : afterVisit) {
        std::string message = a.check();
        if (!message.empty()) Fail(a.where, message);
    }

    if (options.print) {
        std::string out;
        if (!lastScreen.empty())
            out +=
                "--- screen after the last scripted step (" + lastScreenWhere.Text() + ") ---\n" + lastScreen;
        out += "--- screen at the end of the visit ---\n" + ScreenText();
        out += "result " + std::to_string(result) + "\nlaunch record:\n" + RecordOutputText(&record);
        out += CallsText();
        if (options.printCalls) out += AllCallsText();
        std::fputs(out.c_str(), stdout);
    }
    for (size_t i = 0; i < failures.size(); ++i)
        std::printf("%s %s\n", i == 0 ? "FAILED" : "also failed", Printable(failures[i], true).c_str());
    std::printf("%s: %s (result %u, %d of %d scripted steps ran)\n",
                options.scenarioPath.empty() ? "(window)" : Printable(options.scenarioPath).c_str(),
                failures.empty() ? "passed" : "FAILED", result, stepsRun, (int)steps.size());
    std::fflush(stdout);
    return failures.empty() ? 0 : 1;
}

} // namespace qvhost
