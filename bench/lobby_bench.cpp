// The channel display under load, in time: whole lobby visits through
// RunLobby and the stand-in's screen loop, fed with a channel join, a crowd of
// users and their talk. Every event goes through LobbyFrame, the event
// dispatch, the user list and the figure strip, and into the stand-in toolkit.
// How the instructions of one event split between the module and the stand-in
// is counted exactly by bench_count (event_count.cpp), under callgrind.
#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../host/standin/StandIn.h"
#include "BenchChannel.h"

namespace si = standin;
using bench::Description;

namespace {

const int kQuitLabel = 5316;

// ---- the module ---------------------------------------------------------------------------
// The module is loaded as the host loads it, from libQvMulti.so next to this
// program; without the library the objects linked into this program are used.
const LobbyInterface* Lobby() {
    static const LobbyInterface* lobby = [] {
        char path[4096];
        ssize_t n = readlink("/proc/self/exe", path, sizeof path - 32);
        if (n > 0) {
            path[n] = 0;
            char* slash = strrchr(path, '/');
            snprintf(slash ? slash + 1 : path, 32, "libQvMulti.so");
            if (void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
                auto query = reinterpret_cast<const LobbyInterface* (*)()>(dlsym(module, "QueryInterface"));
                if (query) return query();
            }
        }
        fprintf(stderr, "libQvMulti.so not loaded: the objects linked in are used\n");
        return QueryInterface();
    }();
    return lobby;
}

// ---- the visit -------------------------------------------------------------------------

std::string UserName(int i) {
    return "Hero" + std::to_string(i) + "*account" + std::to_string(i);
}

// One visit: a channel join, users, then talk lines from them in turn; every
// event takes one frame of the lobby loop. Returns the number of events.
int RunChannelVisit(int users, int talkLines) {
    si::ResetAll();
    LaunchRecord record{};
    si::FillLaunchRecord(&record);
    si::PushChatEvent(7, 0, "", "Bench");
    const uint32_t flags[] = {0, 0, 0, 0x01, 0, 0x04, 0, 0, 0x08, 0, 0x20, 0};
    for (int i = 0; i < users; ++i)
        si::PushChatEvent(1, flags[i % 12], UserName(i),
                          Description("Hero" + std::to_string(i), i % 7, i % 20));
    for (int i = 0; i < talkLines; ++i)
        si::PushChatEvent(5, 0, UserName(users ? i % users : 0),
                          "a line of talk number " + std::to_string(i));
    int events = 1 + users + talkLines;
    si::Frames(events + 4);
    si::Click(kQuitLabel);
    si::RunVisit(Lobby(), &record);
    if (si::LoopTimedOut() || si::PendingChatEvents() != 0)
        fprintf(stderr, "the visit did not take every event\n");
    return events;
}

// The stand-in's cost of a visit without events (frames, building, teardown).
void BM_EmptyVisit(benchmark::State& state) {
    int frames = (int)state.range(0);
    for (auto _ : state) {
        si::ResetAll();
        LaunchRecord record{};
        si::FillLaunchRecord(&record);
        si::Frames(frames);
        si::Click(kQuitLabel);
        si::RunVisit(Lobby(), &record);
    }
}
BENCHMARK(BM_EmptyVisit)->Arg(11005)->Unit(benchmark::kMillisecond);

// The full load: a join, 1000 users, 10000 talk lines.
void BM_ChannelVisit(benchmark::State& state) {
    int users = (int)state.range(0), talk = (int)state.range(1);
    int64_t events = 0;
    for (auto _ : state)
        events += RunChannelVisit(users, talk);
    state.counters["events/s"] = benchmark::Counter((double)events, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ChannelVisit)->Args({1000, 10000})->MinTime(3.0)->Unit(benchmark::kMillisecond);

// Time per join against the crowd's size: a join costs the same at any size,
// so the time per event stays flat.
void BM_JoinsPerEvent(benchmark::State& state) {
    int users = (int)state.range(0);
    int64_t events = 0;
    for (auto _ : state)
        events += RunChannelVisit(users, 0);
    state.counters["time/event"] =
        benchmark::Counter((double)events, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_JoinsPerEvent)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
