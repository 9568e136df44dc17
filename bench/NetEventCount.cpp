// The module's own instructions per chat event against a real chat server,
// beside the same figure with the scripted stand-in: valgrind's callgrind
// counts the talk handler of the module (its own code and the C runtime it
// calls, not the host's libraries) in two runs of a channel of 200 users, one fed by the
// scripted chat service, one by 200 real clients of a local chat server that
// talk for 5 s. Fails (exit 1) when the two differ by more than 20 %.
//
//   net_event_count                  both runs under callgrind, the figures, the verdict
//   net_event_count --child scripted|network   one run (what callgrind runs)
// Exit 77 when valgrind or the chat server is missing.
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <thread>

#include "Measure.h"
#include "../host/net/IrcCrowd.h"
#include "../host/net/IrcServer.h"
#include "../host/net/NetChat.h"
#include "../host/standin/Live.h"

namespace {

constexpr int kUsers = 200, kTalkMs = 5000, kScriptedTalks = 400;

uint64_t Ms() {
    using namespace std::chrono;
    return (uint64_t)duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool PaneHas(const std::string& text) {
    for (standin::Control* c : standin::Controls())
        if (c->desc.kind == 4 && c->desc.x == 28 && c->desc.y == 410)
            for (const standin::TextLine& line : c->lines)
                if (standin::Utf8(line.text).find(text) != std::string::npos) return true;
    return false;
}

void QuitSoon() {
    standin::Enqueue([] { standin::ClickControl(standin::FindByTextId(5316)); });
}

// The scripted channel: users and talk shaped as the crowd's (names, descriptions, texts).
void RunScripted() {
    LaunchRecord record{};
    standin::FillLaunchRecord(&record);
    standin::PushChatEvent(7, 0, "", "Lobby");
    for (int i = 0; i < kUsers; ++i) {
        net::Character c;
        c.name = "Veth";
        c.classIndex = i % 7;
        c.level = 1 + i % 90;
        c.status = (uint16_t)((i % 14) << 8);
        standin::PushChatEvent(1, 0, c.name + "*Kari" + std::to_string(i + 1), net::DescriptionOf(c));
    }
    standin::Frames(kUsers + 2);
    standin::Enqueue([] { CALLGRIND_START_INSTRUMENTATION; });
    for (int t = 0; t < kScriptedTalks; ++t)
        standin::Enqueue([t] {
            int i = (t * 37) % kUsers;
            std::string nick = "Kari" + std::to_string(i + 1);
            standin::PushChatEvent(5, 0, "Veth*" + nick,
                                   std::string(net::kCrowdTalk[t % net::kCrowdTalkCount]) + " (" + nick +
                                       "-" + std::to_string(t / kUsers + 1) + ")");
        });
    standin::Frames(2);
    QuitSoon();
    standin::RunVisit(bench::Lobby(), &record);
    printf("talk events %d\n", kScriptedTalks);
}

int CrowdLines() {
    static const std::regex token("\\(([A-Za-z]+[0-9]+_*-[0-9]+)\\)$");
    int n = 0;
    for (standin::Control* c : standin::Controls())
        if (c->desc.kind == 4 && c->desc.x == 28 && c->desc.y == 410)
            for (const standin::TextLine& line : c->lines)
                if (std::regex_search(standin::Utf8(line.text), token)) ++n;
    return n;
}

// The same channel on a real server: the crowd joins, then talks for a while.
int RunNetwork() {
    net::Server server;
    std::string error, dir = "/tmp/qv-net-count-" + std::to_string(getpid());
    if (!net::StartServer(dir, "counting", &server, &error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    net::Options o;
    o.port = server.port;
    o.nick = "Arin";
    o.character.name = "Thalia";
    o.holdJoinMs = 300;
    if (!net::Connect(o, &error)) {
        fprintf(stderr, "%s\n", error.c_str());
        net::StopServer(&server);
        return 2;
    }
    LaunchRecord record{};
    standin::FillLaunchRecord(&record);
    record.chatService = net::Table();
    enum { kJoining, kFilling, kTalking, kDone } phase = kJoining;
    uint64_t start = Ms(), talkFrom = 0;
    int lines = 0, sent = 0, linesBefore = 0;
    bool counting = false;
    standin::SetFrameHook([&] {
        uint64_t now = Ms();
        standin::SetNow(standin::kClockStart + (uint32_t)(now - start));
        if (phase == kJoining && PaneHas("You have joined channel: Lobby")) {
            net::CrowdOptions c;
            c.port = server.port;
            c.clients = kUsers;
            c.joinSpacingMs = 5;
            c.talkPeriodMs = 1000000; // silent while the channel fills
            net::StartCrowd(c);
            phase = kFilling;
        } else if (phase == kFilling && net::Counts().joined == kUsers && now - start > 3000) {
            net::StopCrowd(); // the silent crowd goes, a talking one of the same size comes
            net::CrowdOptions c;
            c.port = server.port;
            c.clients = kUsers;
            c.joinSpacingMs = 5;
            c.talkPeriodMs = 2000;
            c.talkForMs = kTalkMs;
            net::StartCrowd(c);
            talkFrom = now;
            phase = kTalking;
        } else if (phase == kTalking && now - talkFrom > (uint64_t)kTalkMs + 3000) {
            sent = net::Counts().sent;
            lines = CrowdLines();
            if (lines >= sent || now - talkFrom > 120000) {
                phase = kDone;
                QuitSoon();
            }
        }
        if (phase == kTalking && !counting && now - talkFrom > 1500) { // the talk runs steadily by now
            counting = true;
            linesBefore = CrowdLines();
            CALLGRIND_START_INSTRUMENTATION;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    standin::RunVisit(bench::Lobby(), &record);
    standin::SetFrameHook(nullptr);
    net::StopCrowd();
    net::Disconnect();
    net::StopServer(&server);
    printf("talk events %d (of %d sent; %d before counting began)\n", lines - linesBefore, sent, linesBefore);
    return 0;
}

// One run under callgrind: the module's instructions per talk event.
double PerEvent(const char* kind) {
    std::string dir = "/tmp/qv-net-callgrind-" + std::to_string(getpid()) + "-" + kind;
    std::string out = dir + "/cg.out", log = dir + "/log";
    std::string command = "mkdir -p " + dir + " && valgrind --tool=callgrind --instr-atstart=no " +
                          "--toggle-collect='OnTalk*' --callgrind-out-file=" + out + " '" +
                          bench::SelfPath() + "' --child " + kind + " >" + log + " 2>&1";
    if (system(command.c_str()) != 0) {
        fprintf(stderr, "callgrind run failed, see %s\n", log.c_str());
        exit(1);
    }
    std::ifstream in(log);
    int events = 0;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("talk events ", 0) == 0) events = atoi(line.c_str() + 12);
    uint64_t cost = bench::ReadDump(out).side[bench::kModule];
    printf("%-9s %6d talk events, %12llu module instructions, %8.0f per event\n", kind, events,
           (unsigned long long)cost, events ? (double)cost / events : 0.0);
    std::string clean = "rm -rf " + dir;
    if (system(clean.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
    return events ? (double)cost / events : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "--child") == 0) {
        standin::ResetAll();
        standin::UseMemoryRegistry();
        if (strcmp(argv[2], "scripted") == 0) {
            RunScripted();
            return 0;
        }
        return RunNetwork();
    }
    if (system("valgrind --version >/dev/null 2>&1") != 0 || !net::ServerInstalled()) {
        printf("skipped: valgrind or the chat server is not installed (tools/setup.sh)\n");
        return 77;
    }
    double scripted = PerEvent("scripted"), network = PerEvent("network");
    double ratio = scripted > 0 ? network / scripted : 0;
    printf("network / scripted: %.3f (allowed 0.8 to 1.2)\n", ratio);
    return ratio >= 0.8 && ratio <= 1.2 ? 0 : 1;
}
