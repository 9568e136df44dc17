// The scenario run: reads a scenario, prepares the launch record and the
// stand-in state, scripts the visit, runs it and checks the expectations.
//
// State: the run's launch record, result, the scripted steps (where each came
// from and how many ran) and the failures found so far, in the order found.
#include <cstdio>
#include <fstream>

#include "../../Src/platform/Corvel.h"
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

// ---- line kinds -------------------------------------------------------------------------
enum LineKind { kBlank, kRecord, kState, kAction, kExpect };

static LineKind KindOf(const std::string& text, const Where& where) {
    LineReader reader(text, where);
    Token verb;
    if (!reader.NextIf(&verb)) return kBlank;
    const std::string& v = verb.text;
    if (v == "record") return kRecord;
    if (v == "expect") return kExpect;
    if (v == "realm") {
        Token sub;
        reader.NextIf(&sub);
        if (sub.text == "reply" || sub.text == "message" || sub.text == "listreply") return kAction;
        return kState;
    }
    static const char* const kStateVerbs[] = {"chat",         "registry",     "registrypath", "strings",
                                              "ownname",      "channels",     "fullcontent",  "clock",
                                              "failfigures",  "figureframes", "logondata",    "gameblock",
                                              "queueoutcome", "profile",      "adinfo"};
    for (const char* s : kStateVerbs)
        if (v == s) return kState;
    return kAction;
}

// ---- stand-in state ------------------------------------------------------------------------
static bool ReadFlag(LineReader& reader, const char* what) {
    long long v = reader.Number(what);
    if (v != 0 && v != 1) ScenarioError(reader.where(), std::string(what) + " is 0 or 1");
    return v == 1;
}

static std::function<void()> ParseRealmState(LineReader& reader) {
    std::string sub = reader.Word("realm setting");
    if (sub == "connected") {
        bool on = ReadFlag(reader, "connected");
        reader.End();
        return [on]() { standin::SetRealmConnected(on); };
    }
    if (sub == "autoanswer") {
        int create = (int)reader.Number("create status");
        int join = (int)reader.Number("join status");
        reader.End();
        return [create, join]() { standin::RealmAutoAnswer(create, join); };
    }
    if (sub == "joinreply") {
        uint16_t word = (uint16_t)reader.Number("word");
        uint32_t dword = (uint32_t)reader.Number("dword");
        std::string text = reader.Rest();
        return [word, dword, text]() { standin::SetJoinReply(word, dword, text); };
    }
    if (sub == "logon") {
        int frames = (int)reader.Number("frames");
        int status = (int)reader.Number("status");
        bool selectDone = true, drop = false;
        if (!reader.AtEnd()) selectDone = ReadFlag(reader, "selectDone");
        if (!reader.AtEnd()) drop = ReadFlag(reader, "dropDuringWait");
        reader.End();
        return [=]() { standin::SetRealmLogon(frames, status, selectDone, drop); };
    }
    if (sub == "queued") {
        bool queued = ReadFlag(reader, "queued");
        int position = reader.AtEnd() ? 0 : (int)reader.Number("position");
        reader.End();
        return [queued, position]() { standin::SetRealmQueued(queued, position); };
    }
    ScenarioError(reader.where(), "unknown realm setting: " + sub);
}

static std::function<void()> ParseState(LineReader& reader) {
    const Where where = reader.where();
    std::string verb = reader.Word("setting");
    if (verb == "realm") return ParseRealmState(reader);
    if (verb == "chat") {
        std::string sub = reader.Word("chat setting");
        if (sub == "connected") {
            bool on = ReadFlag(reader, "connected");
            reader.End();
            return [on]() { standin::SetChatConnected(on); };
        }
        if (sub == "dropafter") {
            int calls = (int)reader.Number("calls");
            reader.End();
            return [calls]() { standin::DropChatAfter(calls); };
        }
        ScenarioError(where, "unknown chat setting: " + sub);
    }
    if (verb == "registry") {
        std::string key = reader.Word("registry key");
        std::string value = reader.Word("value name");
        uint32_t number = (uint32_t)reader.Number("number");
        reader.End();
        return [key, value, number]() { RegistryWriteNumber(key.c_str(), value.c_str(), 0, number); };
    }
    if (verb == "registrypath") {
        std::string path = reader.Rest();
        return [path]() { standin::SetRegistryPath(path); };
    }
    if (verb == "strings") {
        std::string sub = reader.Word("fail or load");
        reader.End();
        if (sub != "fail" && sub != "load") ScenarioError(where, "strings fail|load");
        bool fails = sub == "fail";
        return [fails]() { standin::SetStringsLoadFails(fails); };
    }
    if (verb == "ownname") {
        std::string name = reader.Rest();
        return [name]() { standin::SetOwnName(name); };
    }
    if (verb == "channels") {
        std::string list = reader.Rest();
        std::vector<std::string> names;
        size_t start = 0;
        while (!list.empty()) {
            size_t comma = list.find(',', start);
            names.push_back(
                list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        return [names]() { standin::SetChannelList(names); };
    }
    if (verb == "fullcontent") {
        bool full = ReadFlag(reader, "fullcontent");
        reader.End();
        return [full]() { standin::SetFullContent(full); };
    }
    if (verb == "clock") {
        uint32_t ms = (uint32_t)reader.Number("tick count");
        reader.End();
        return [ms]() { standin::SetNow(ms); };
    }
    if (verb == "failfigures") {
        int n = (int)reader.Number("count");
        reader.End();
        return [n]() { standin::FailNextFigures(n); };
    }
    if (verb == "figureframes") {
        int n = (int)reader.Number("count");
        reader.End();
        return [n]() { standin::SetFigureFrameCount(n); };
    }
    if (verb == "logondata" || verb == "gameblock") {
        std::string rest = reader.Rest();
        bool present = rest != "none";
        std::vector<uint8_t> bytes = present ? ParseHex(where, rest) : std::vector<uint8_t>();
        if (verb == "logondata") return [bytes, present]() { standin::SetRealmLogonData(bytes, present); };
        return [bytes, present]() { standin::SetGameBlock(bytes, present); };
    }
    if (verb == "queueoutcome") {
        bool done = ReadFlag(reader, "done");
        uint32_t outcome = (uint32_t)reader.Number("outcome");
        reader.End();
        return [done, outcome]() { standin::SetQueueOutcome(done, outcome); };
    }
    if (verb == "profile") {
        std::string sex = reader.Word("sex");
        std::string location = reader.Word("location");
        std::string description = reader.Rest();
        return [=]() { standin::SetProfile(sex, location, description); };
    }
    if (verb == "adinfo") {
        uint32_t id = (uint32_t)reader.Number("ad id");
        std::string rest = reader.Rest();
        bool present = rest != "none";
        std::vector<uint8_t> bytes = present ? ParseHex(where, rest) : std::vector<uint8_t>();
        return [id, bytes, present]() { standin::SetAdInfo(id, bytes, present); };
    }
    ScenarioError(where, "unknown setting: " + verb);
}

// ---- actions and service input ----------------------------------------------------------------
static std::function<void()> ClickByPlace(LineReader& reader, void (*click)(standin::Control*)) {
    const Where where = reader.where();
    int kind = (int)reader.Number("control kind");
    int x = (int)reader.Number("x");
    int y = (int)reader.Number("y");
    reader.End();
    return [=]() {
        standin::Control* c = standin::FindAt(kind, x, y);
        if (!c) {
            Fail(where, "no kind-" + std::to_string(kind) + " control at " + std::to_string(x) + "," +
                            std::to_string(y) + " to click");
            return;
        }
        click(c);
    };
}

static uint16_t RequestIdOf(LineReader& reader, bool* last) {
    Token t = reader.Next("request id or last");
    *last = !t.quoted && t.text == "last";
    return *last ? 0 : (uint16_t)ParseNumber(reader.where(), t.text, "request id");
}

static std::function<void()> ParseRealmInput(LineReader& reader) {
    std::string sub = reader.Word("realm input");
    if (sub == "reply" || sub == "listreply") {
        bool last = false;
        uint16_t id = RequestIdOf(reader, &last);
        int status = (int)reader.Number("status");
        if (sub == "reply") {
            reader.End();
            return [=]() { standin::RealmReply(last ? standin::RealmLastRequestId() : id, status); };
        }
        std::vector<uint8_t> bytes = ParseHex(reader.where(), reader.Rest());
        return [=]() { standin::PushListReply(last ? standin::RealmLastRequestId() : id, status, bytes); };
    }
    if (sub == "message") {
        int key = (int)reader.Number("message key");
        std::string text = reader.Rest();
        return [key, text]() { standin::PushRealmMessage(key, text); };
    }
    ScenarioError(reader.where(), "unknown realm input: " + sub);
}

static void ShowScreen(const Where& where) {
    std::string text = "--- screen at " + where.Text() + " ---\n" + ScreenText();
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// Enqueues the steps of one action line.
static void ScriptAction(LineReader& reader) {
    const Where where = reader.where();
    std::string verb = reader.Word("action");
    std::function<void()> step;
    if (verb == "click") {
        int textId = (int)reader.Number("string id");
        reader.End();
        step = [=]() {
            standin::Control* c = standin::FindByTextId(textId);
            if (!c)
                Fail(where, "no control labelled by string " + std::to_string(textId) + " to click");
            else
                standin::ClickControl(c);
        };
    } else if (verb == "clickat") {
        step = ClickByPlace(reader, standin::ClickControl);
    } else if (verb == "rightclickat") {
        step = ClickByPlace(reader, standin::RightClickControl);
    } else if (verb == "doubleclickat") {
        step = ClickByPlace(reader, standin::DoubleClickControl);
    } else if (verb == "clickrow") {
        int kind = (int)reader.Number("control kind");
        int x = (int)reader.Number("x");
        int y = (int)reader.Number("y");
        int row = (int)reader.Number("row");
        reader.End();
        step = [=]() {
            standin::Control* c = standin::FindAt(kind, x, y);
            if (!c)
                Fail(where, "no kind-" + std::to_string(kind) + " list at " + std::to_string(x) + "," +
                                std::to_string(y) + " to click");
            else
                standin::ClickListRow(c, row);
        };
    } else if (verb == "tick") {
        int x = (int)reader.Number("x");
        int y = (int)reader.Number("y");
        reader.End();
        step = [=]() {
            standin::Control* c = standin::FindAt(kTimer, x, y);
            if (!c)
                Fail(where, "no timer at " + std::to_string(x) + "," + std::to_string(y) + " to tick");
            else
                standin::TickTimer(c);
        };
    } else if (verb == "type") {
        std::string text = reader.Rest();
        step = [=]() {
            if (!standin::Focus()) Fail(where, "no edit box has the focus to type into");
            standin::TypeText(text.c_str());
        };
    } else if (verb == "enter" || verb == "escape" || verb == "tab" || verb == "ctrln") {
        reader.End();
        step = verb == "enter"    ? standin::PressEnter
               : verb == "escape" ? standin::PressEscape
               : verb == "tab"    ? standin::PressTab
                                  : standin::PressCtrlN;
    } else if (verb == "wait") {
        uint32_t ms = (uint32_t)reader.Number("milliseconds");
        reader.End();
        step = [ms]() { standin::AdvanceTime(ms); };
    } else if (verb == "frames") {
        long long n = reader.Number("frame count");
        reader.End();
        if (n < 1 || n > 100000) ScenarioError(where, "frames takes 1 to 100000");
        for (long long i = 0; i < n; ++i)
            EnqueueStep(where, []() {});
        return;
    } else if (verb == "pointer") {
        int x = (int)reader.Number("x");
        int y = (int)reader.Number("y");
        reader.End();
        step = [x, y]() { standin::SetPointer(x, y); };
    } else if (verb == "show") {
        reader.End();
        step = [where]() {
            ShowScreen(where);
            std::string error = TakeLinePicture(where);
            if (!error.empty()) Fail(where, error);
        };
    } else if (verb == "picture") {
        std::string name = reader.Word("picture name");
        reader.End();
        if (name.empty() || name.find_first_of("/\\") != std::string::npos || name[0] == '.')
            ScenarioError(where, "a picture name is a file name without folders");
        step = [where, name]() {
            std::string error = TakePicture(name);
            if (!error.empty()) Fail(where, error);
        };
    } else if (verb == "event") {
        uint32_t number = (uint32_t)reader.Number("event number");
        uint32_t flags = (uint32_t)reader.Number("user flags");
        Token name = reader.Next("user name (- for none)");
        std::string user = !name.quoted && name.text == "-" ? "" : name.text;
        std::string text = reader.Rest();
        step = [=]() { standin::PushChatEvent(number, flags, user, text); };
    } else if (verb == "rawevent") {
        uint32_t kind = (uint32_t)reader.Number("record kind");
        std::vector<uint8_t> bytes = ParseHex(where, reader.Rest());
        step = [kind, bytes]() { standin::PushRawEvent(kind, bytes); };
    } else if (verb == "ad") {
        uint32_t adId = (uint32_t)reader.Number("ad id");
        std::string fileName = reader.Word("file name");
        std::string data = reader.Rest();
        std::vector<uint8_t> bytes(data.begin(), data.end());
        step = [=]() { standin::PushAdEvent(adId, fileName, bytes); };
    } else if (verb == "dated") {
        uint32_t when = (uint32_t)reader.Number("unix time");
        std::string text = reader.Rest();
        step = [=]() {
            if (!standin::PushDatedMessage(when, text)) Fail(where, "no dated-message handler is registered");
        };
    } else if (verb == "cleardated") {
        reader.End();
        step = [where]() {
            if (!standin::PushClearMessages()) Fail(where, "no dated-message handler is registered");
        };
    } else if (verb == "realm") {
        step = ParseRealmInput(reader);
    } else {
        ScenarioError(where, "unknown line: " + verb);
    }
    EnqueueStep(where, step);
}

// ---- the run --------------------------------------------------------------------------------------
int RunScenario(const Options& opts, const LobbyInterface* lobby) {
    options = opts;
    std::ifstream in;
    if (!options.scenarioPath.empty()) in.open(options.scenarioPath); // a window without a scenario: no lines
    if (!options.scenarioPath.empty() && !in) {
        std::fprintf(stderr, "qvhost: cannot read %s\n", options.scenarioPath.c_str());
        return 2;
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);

    std::vector<LineKind> kinds;
    int firstAction = -1, lastScripted = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        Where where{options.scenarioPath, (int)i + 1};
        kinds.push_back(KindOf(lines[i], where));
        if (kinds[i] == kAction && firstAction < 0) firstAction = (int)i;
        if (kinds[i] == kAction || (kinds[i] == kState && firstAction >= 0)) lastScripted = (int)i;
    }

    standin::ResetAll();
    standin::FillLaunchRecord(&record);
    struct AfterVisit {
        Where where;
        Expectation check;
    };
    std::vector<AfterVisit> afterVisit;
    for (size_t i = 0; i < lines.size(); ++i) {
        Where where{options.scenarioPath, (int)i + 1};
        LineReader reader(lines[i], where);
        bool beforeVisit = firstAction < 0 || (int)i < firstAction;
        switch (kinds[i]) {
        case kBlank:
            break;
        case kRecord:
            if (!beforeVisit) ScenarioError(where, "record lines belong before the first action");
            reader.Word("record");
            SetRecordField(reader, &record);
            break;
        case kState: {
            std::function<void()> apply = ParseState(reader);
            if (beforeVisit)
                apply();
            else
                EnqueueStep(where, apply);
            break;
        }
        case kAction:
            ScriptAction(reader);
            break;
        case kExpect: {
            reader.Word("expect");
            bool late = false;
            Expectation check = ParseExpectation(reader, &record, &result, &late);
            if (late || (int)i > lastScripted) {
                afterVisit.push_back({where, check});
            } else {
                EnqueueStep(where, [where, check]() {
                    std::string message = check();
                    if (!message.empty()) Fail(where, message);
                });
            }
            break;
        }
        }
    }

    if (!StartScreenOutput(options)) return 2;
    result = standin::RunVisit(lobby, &record);
    if (steps.empty()) {
        std::string error = TakeEndPicture();
        if (!error.empty()) Fail(Where{options.scenarioPath, (int)lines.size()}, error);
    }
    EndScreenOutput();

    if (stepsRun < (int)steps.size())
        Fail(steps[stepsRun], "the visit ended before this line ran (" +
                                  std::to_string(steps.size() - stepsRun) + " scripted steps left)");
    if (standin::ScriptFailed())
        Fail(Where{options.scenarioPath, (int)lines.size()},
             "the stand-in's script failed (see its message above: a click found nothing or loops nested too "
             "deeply)");
    if (standin::LoopTimedOut())
        Fail(Where{options.scenarioPath, (int)lines.size()}, "the visit did not end: the screen loop ran " +
                                                                 std::to_string(standin::kIdleFrameLimit) +
                                                                 " idle frames and was ended by force");
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
        std::fputs(out.c_str(), stdout);
    }
    for (size_t i = 0; i < failures.size(); ++i)
        std::printf("%s %s\n", i == 0 ? "FAILED" : "also failed", failures[i].c_str());
    std::printf("%s: %s (result %u, %d of %d scripted steps ran)\n",
                options.scenarioPath.empty() ? "(window)" : options.scenarioPath.c_str(),
                failures.empty() ? "passed" : "FAILED", result, stepsRun, (int)steps.size());
    std::fflush(stdout);
    return failures.empty() ? 0 : 1;
}

} // namespace qvhost
