// Instructions per chat event, counted by valgrind's callgrind: counts repeat
// exactly from run to run, unlike times on a shared machine.
//
// Without arguments the program runs itself under callgrind once per channel
// size (10, 1000 and 10000 users present) and prints one line per event kind:
// the instructions of the lobby's frame callback that handles one event (the
// module and the stand-in code it calls; the stand-in's scripted loop around
// it is not counted), module and stand-in apart and together. Each child fills the channel with
// instrumentation off, then takes every event a few times and keeps the last one, so that first-call costs
// (symbol binding, caches of the stand-in) stay out. The C and C++ runtime's instructions count for whichever
// side called into it.
//
// "bench_count --child N" is one such run; "bench_count --fill N" counts the
// whole fill of N users instead.
#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../host/standin/StandIn.h"
#include "BenchChannel.h"

namespace si = standin;
using bench::Description;

namespace {

const int kQuitLabel = 5316;
const int kRepeats = 3;

std::string SelfPath() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    path[n > 0 ? n : 0] = 0;
    return path;
}

std::string Directory(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The module as the host loads it, so that its code lies in an object of its own.
const LobbyInterface* Lobby() {
    std::string path = Directory(SelfPath()) + "/libQvMulti.so";
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto query =
        module ? reinterpret_cast<const LobbyInterface* (*)()>(dlsym(module, "QueryInterface")) : nullptr;
    if (!query) {
        fprintf(stderr, "cannot load %s\n", path.c_str());
        exit(2);
    }
    return query();
}

// ---- the channel --------------------------------------------------------------------

// Five-digit numbers: names as long at every channel size, so that the
// counts compare the channel's size and not the names' length.
std::string Number(int i) {
    char digits[16];
    snprintf(digits, sizeof digits, "%05d", i);
    return digits;
}

std::string UserName(int i) {
    return "Hero" + Number(i) + "*account" + Number(i);
}

const uint32_t kFlags[12] = {0, 0, 0, 0x01, 0, 0x04, 0, 0, 0x08, 0, 0x20, 0};

void Fill(int users) {
    si::PushChatEvent(7, 0, "", "Bench");
    for (int i = 0; i < users; ++i)
        si::PushChatEvent(1, kFlags[i % 12], UserName(i), Description("Hero" + Number(i), i % 7, i % 20));
}

// One measured frame: the event is pushed and the counters zeroed at the end
// of one frame, the next frame handles it, and the counters are dumped under
// the name right after.
void Measure(const std::string& name, std::function<void()> push) {
    si::Enqueue([push] {
        if (push) push();
        CALLGRIND_ZERO_STATS;
    });
    si::Enqueue([name] { CALLGRIND_DUMP_STATS_AT(name.c_str()); });
}

void RunChild(int users, bool fillOnly) {
    LaunchRecord record{};
    si::FillLaunchRecord(&record);
    if (fillOnly) {
        si::Enqueue([] {
            CALLGRIND_START_INSTRUMENTATION;
            CALLGRIND_ZERO_STATS;
        });
        si::Enqueue([users] { Fill(users); });
        si::Frames(users + 2);
        si::Enqueue([] { CALLGRIND_DUMP_STATS_AT("fill"); });
    } else {
        Fill(users);
        si::Frames(users + 2);
        si::Enqueue([] { CALLGRIND_START_INSTRUMENTATION; });
        // Speakers and updated users among the latest arrivals, which the
        // name memory of the last 1024 accounts still holds at any size; none
        // of them leaves or changes group.
        for (int r = 0; r < kRepeats; ++r) {
            std::string tag = "#" + std::to_string(r);
            int u = users - 4 - r, op = users - 1 - r, j = users + r;
            Measure("idle frame" + tag, nullptr);
            Measure("talk" + tag, [=] { si::PushChatEvent(5, 0, UserName(u), "a line of talk"); });
            Measure("whisper" + tag, [=] { si::PushChatEvent(4, 0, UserName(u), "a whisper"); });
            Measure("emote" + tag, [=] { si::PushChatEvent(23, 0, UserName(u), "waves"); });
            Measure("user update" + tag, [=] {
                si::PushChatEvent(9, kFlags[u % 12], UserName(u), Description("Hero" + Number(u), 3, 15));
            });
            // An operator's update moves its user to the front of the strip.
            Measure("update to operator" + tag, [=] {
                si::PushChatEvent(9, 0x02, UserName(op), Description("Hero" + Number(op), 3, 15));
            });
            // An operator joins at the front, in a visible cell, and leaves again.
            Measure("join" + tag,
                    [=] { si::PushChatEvent(2, 0x02, UserName(j), Description("Hero" + Number(j), 2, 9)); });
            Measure("leave" + tag, [=] { si::PushChatEvent(3, 0, UserName(j), ""); });
        }
    }
    si::Click(kQuitLabel);
    si::RunVisit(Lobby(), &record);
    if (si::LoopTimedOut() || si::PendingChatEvents() != 0)
        fprintf(stderr, "the visit did not take every event\n");
}

// ---- reading callgrind's dumps ---------------------------------------------------------

enum Side { kModule, kStandIn, kRuntime };

Side SideOf(const std::string& object) {
    if (object.find("libQvMulti") != std::string::npos) return kModule;
    if (object.find("libc.") != std::string::npos || object.find("libstdc++") != std::string::npos ||
        object.find("libm.") != std::string::npos || object.find("libgcc") != std::string::npos ||
        object.find("ld-linux") != std::string::npos || object.find("libpthread") != std::string::npos)
        return kRuntime;
    return kStandIn; // the stand-in libraries and this program, which drives them
}

// "(id) name" defines a compressed name, "(id)" refers to it.
std::string Name(std::map<std::string, std::string>& names, const std::string& field) {
    if (field.empty() || field[0] != '(') return field;
    size_t close = field.find(')');
    std::string id = field.substr(0, close + 1);
    if (close + 1 < field.size()) names[id] = field.substr(close + 2);
    return names[id];
}

struct Counts {
    std::string name;
    uint64_t side[3] = {};
};

// Self cost by side; the runtime's cost goes to the side that called it.
Counts ReadDump(const std::string& path) {
    Counts c;
    std::ifstream in(path);
    std::map<std::string, std::string> objects;
    std::string line, object, callee;
    bool callCost = false;
    while (std::getline(in, line)) {
        if (line.rfind("desc: Trigger: Client Request: ", 0) == 0) {
            c.name = line.substr(31);
        } else if (line.rfind("ob=", 0) == 0) {
            object = Name(objects, line.substr(3));
            callee.clear();
        } else if (line.rfind("cob=", 0) == 0) {
            callee = Name(objects, line.substr(4));
        } else if (line.rfind("fn=", 0) == 0) {
            callee.clear();
        } else if (line.rfind("calls=", 0) == 0) {
            callCost = true;
        } else if (!line.empty() &&
                   (isdigit((unsigned char)line[0]) || line[0] == '+' || line[0] == '-' || line[0] == '*')) {
            std::istringstream fields(line);
            std::string position;
            uint64_t cost = 0;
            fields >> position >> cost;
            Side caller = SideOf(object);
            if (callCost) {
                Side target = SideOf(callee.empty() ? object : callee);
                if (caller != kRuntime && target == kRuntime) c.side[caller] += cost;
                callCost = false;
                callee.clear();
            } else if (caller != kRuntime) {
                c.side[caller] += cost;
            }
        }
    }
    return c;
}

std::vector<Counts> RunUnderCallgrind(int users, bool fill) {
    std::string dir = "/tmp/qv-bench-count-" + std::to_string(getpid());
    std::string base = dir + "/cg";
    std::string command = "mkdir -p " + dir +
                          " && valgrind --tool=callgrind --instr-atstart=no --toggle-collect='LobbyFrame*' " +
                          "--callgrind-out-file=" + base + " '" + SelfPath() + "' " +
                          (fill ? "--fill " : "--child ") + std::to_string(users) + " >" + dir + "/log 2>&1";
    std::vector<Counts> dumps;
    if (system(command.c_str()) != 0) {
        fprintf(stderr, "callgrind run failed, see %s/log\n", dir.c_str());
        exit(1);
    }
    for (int n = 1;; ++n) {
        std::string path = base + "." + std::to_string(n);
        if (access(path.c_str(), R_OK) != 0) break;
        dumps.push_back(ReadDump(path));
    }
    std::string clean = "rm -rf " + dir;
    if (system(clean.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
    return dumps;
}

void PrintTable() {
    const int sizes[] = {10, 1000, 10000};
    const char* kinds[] = {"idle frame",         "talk", "whisper", "emote", "user update",
                           "update to operator", "join", "leave"};
    std::map<std::string, Counts> byName[3];
    for (int s = 0; s < 3; ++s)
        for (const Counts& c : RunUnderCallgrind(sizes[s], false))
            byName[s][c.name] = c;
    printf("instructions per event (module + stand-in = together), the last of %d\n", kRepeats);
    printf("%-20s %28s %28s %28s\n", "event", "10 users", "1000 users", "10000 users");
    std::string last = "#" + std::to_string(kRepeats - 1);
    for (const char* kind : kinds) {
        printf("%-20s", kind);
        for (int s = 0; s < 3; ++s) {
            const Counts& c = byName[s][kind + last];
            char cell[64];
            snprintf(cell, sizeof cell, "%llu + %llu = %llu", (unsigned long long)c.side[kModule],
                     (unsigned long long)c.side[kStandIn],
                     (unsigned long long)(c.side[kModule] + c.side[kStandIn]));
            printf(" %28s", cell);
        }
        printf("\n");
    }
    const char* fillUsers = getenv("QV_BENCH_FILL");
    int n = fillUsers ? atoi(fillUsers) : 10000;
    if (n > 0) {
        std::vector<Counts> fill = RunUnderCallgrind(n, true);
        if (!fill.empty())
            printf("filling a channel with %d users: %llu + %llu = %llu\n", n,
                   (unsigned long long)fill[0].side[kModule], (unsigned long long)fill[0].side[kStandIn],
                   (unsigned long long)(fill[0].side[kModule] + fill[0].side[kStandIn]));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && (strcmp(argv[1], "--child") == 0 || strcmp(argv[1], "--fill") == 0)) {
        RunChild(atoi(argv[2]), strcmp(argv[1], "--fill") == 0);
        return 0;
    }
    PrintTable();
    return 0;
}
