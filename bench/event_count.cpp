// Instructions per chat event and per dialog, counted by valgrind's callgrind:
// counts repeat exactly from run to run, unlike times on a shared machine.
//
// Without arguments the program runs itself under callgrind once per size and
// prints two tables, module and stand-in apart and together (the C and C++
// runtime's instructions count for whichever side called into it):
// - chat events at 10, 1000 and 10000 users present: the lobby's frame
//   callback that handles one event (the stand-in's scripted loop around it is
//   not counted), and the fill of a channel;
// - dialogs at 10, 100 and 1000 rows (games, channels, ladder rows, users in
//   the channel): every frame and callback of one piece of work, their sum,
//   the largest of them, the largest of the first working in the process
//   (before the stand-in's caches hold anything), and the module's share per
//   row: what it spends beyond the same work with no rows, divided by the rows.
// Each child does its work a few times and keeps the last (CountChild.h).
//
// "bench_count --child N", "--fill N" and "--dialogs N" are one such run.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "CountChild.h"
#include "CountSteps.h"
#include "Measure.h"

namespace {

using bench::Counts;
using bench::kModule;
using bench::kStandIn;

std::vector<Counts> RunUnderCallgrind(const char* mode, int size) {
    std::string dir = "/tmp/qv-bench-count-" + std::to_string(getpid());
    std::string base = dir + "/cg";
    std::string command = "rm -rf " + dir + " && mkdir -p " + dir +
                          " && valgrind --tool=callgrind --instr-atstart=no --toggle-collect='LobbyFrame*' " +
                          "--callgrind-out-file=" + base + " '" + bench::SelfPath() + "' " + mode + " " +
                          std::to_string(size) + " >" + dir + "/log 2>&1";
    std::vector<Counts> dumps;
    if (system(command.c_str()) != 0) {
        fprintf(stderr, "callgrind run %s %d failed; its log, %s/log, ends:\n", mode, size, dir.c_str());
        std::string tail = "tail -n 5 " + dir + "/log >&2";
        if (system(tail.c_str()) != 0) fprintf(stderr, "(no log)\n");
        exit(1);
    }
    for (int n = 1;; ++n) {
        std::string path = base + "." + std::to_string(n);
        if (access(path.c_str(), R_OK) != 0) break;
        dumps.push_back(bench::ReadDump(path));
    }
    std::string clean = "rm -rf " + dir;
    if (system(clean.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
    return dumps;
}

// One piece of work: the steps dumped under "<row>#<repeat>/<step>".
struct Work {
    Counts sum;
    uint64_t largest = 0;
    int steps = 0;
};

std::map<std::string, Work> ByWork(const std::vector<Counts>& dumps) {
    std::map<std::string, Work> works;
    for (const Counts& c : dumps) {
        Work& w = works[c.name.substr(0, c.name.rfind('/'))];
        for (int s = 0; s < 3; ++s)
            w.sum.side[s] += c.side[s];
        if (c.Total() > w.largest) w.largest = c.Total();
        ++w.steps;
    }
    return works;
}

std::string Cell(const Counts& c) {
    char cell[64];
    snprintf(cell, sizeof cell, "%llu + %llu = %llu", (unsigned long long)c.side[kModule],
             (unsigned long long)c.side[kStandIn], (unsigned long long)c.Total());
    return cell;
}

// ---- the tables ---------------------------------------------------------------------------
void PrintHeader() {
    printf("channel: character names of %d-%d characters (mean %.1f), accounts of %d-%d (mean %.1f), "
           "one user in %d an operator\n",
           bench::kMinName, bench::kMaxName, bench::MeanNameLength(10000, false), bench::kMinName,
           bench::kMaxAccount, bench::MeanNameLength(10000, true), bench::kOperatorEvery);
    printf("measured texts: talk %d and %d characters, whisper %d, emote %d; events about %d probe users "
           "of names %zu-%zu characters long\n\n",
           bench::kTalkLength, bench::kMaxTalk, bench::kWhisperLength, bench::kEmoteLength, bench::kProbes,
           bench::UserName(17000).size(), bench::UserName(17010).size());
}

void PrintChatTable() {
    const int sizes[] = {10, 1000, 10000};
    const char* kinds[] = {"idle frame",         "talk", "long talk", "whisper",  "emote", "user update",
                           "update to operator", "join", "leave",     "chat tick"};
    std::map<std::string, Work> works[3];
    for (int s = 0; s < 3; ++s)
        works[s] = ByWork(RunUnderCallgrind("--child", sizes[s]));
    printf("instructions per event (module + stand-in = together), the last of %d\n", bench::kRepeats);
    printf("%-20s %28s %28s %28s\n", "event", "10 users", "1000 users", "10000 users");
    for (const char* kind : kinds) {
        printf("%-20s", kind);
        // The chat tick is measured once.
        std::string name = bench::Tagged(kind, strcmp(kind, "chat tick") == 0 ? 0 : bench::kRepeats - 1);
        for (int s = 0; s < 3; ++s)
            printf(" %28s", Cell(works[s][name].sum).c_str());
        printf("\n");
    }
    const char* fillUsers = getenv("QV_BENCH_FILL");
    int n = fillUsers ? atoi(fillUsers) : 10000;
    if (n > 0) {
        std::vector<Counts> fill = RunUnderCallgrind("--fill", n);
        if (!fill.empty()) printf("filling a channel with %d users: %s\n", n, Cell(fill[0]).c_str());
    }
}

struct DialogRow {
    const char* name;
    bool perRow; // the work grows with the rows: the module's share per row is shown
};

void PrintDialogTable() {
    const int sizes[] = {10, 100, 1000};
    const DialogRow rows[] = {
        {"join list", true},    {"refresh", true},     {"game info", false}, {"ladder view opened", false},
        {"ladder page", false}, {"full ladder", true}, {"class tab", false}, {"channel dialog", true},
        {"create", false},      {"profile", false},    {"help", false}};
    std::map<std::string, Work> works[3], none = ByWork(RunUnderCallgrind("--dialogs", 0));
    for (int s = 0; s < 3; ++s)
        works[s] = ByWork(RunUnderCallgrind("--dialogs", sizes[s]));
    printf("\ninstructions per dialog work at 10, 100 and 1000 rows (games, channels, ladder rows, users), "
           "the last of %d:\nall its frames and callbacks (module + stand-in = together), the largest one, "
           "the largest one of the first working in the process (cold),\n"
           "and the module's share per row beyond the same work with no rows\n",
           bench::kDialogRepeats);
    printf("%-19s", "work");
    for (int size : sizes)
        printf(" %32s %9s %9s %7s", (std::to_string(size) + " rows").c_str(), "largest", "cold", "mod/row");
    printf("\n");
    for (const DialogRow& row : rows) {
        printf("%-19s", row.name);
        std::string name = bench::Tagged(row.name, bench::kDialogRepeats - 1);
        uint64_t base = none[name].sum.side[kModule];
        for (int s = 0; s < 3; ++s) {
            const Work& w = works[s][name];
            const Work& cold = works[s][bench::Tagged(row.name, 0)];
            uint64_t module = w.sum.side[kModule];
            std::string perRow =
                row.perRow ? std::to_string((module > base ? module - base : 0) / (uint64_t)sizes[s]) : "";
            printf(" %32s %9llu %9llu %7s", Cell(w.sum).c_str(), (unsigned long long)w.largest,
                   (unsigned long long)cold.largest, perRow.c_str());
        }
        printf("\n");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "--child") == 0) {
        bench::RunChatChild(atoi(argv[2]), false);
    } else if (argc == 3 && strcmp(argv[1], "--fill") == 0) {
        bench::RunChatChild(atoi(argv[2]), true);
    } else if (argc == 3 && strcmp(argv[1], "--dialogs") == 0) {
        bench::RunDialogChild(atoi(argv[2]));
    } else {
        PrintHeader();
        PrintChatTable();
        PrintDialogTable();
    }
    return 0;
}
