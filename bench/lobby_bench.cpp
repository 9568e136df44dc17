// The channel display under load: whole lobby visits through RunLobby and the
// stand-in's screen loop, fed with a channel join, a crowd of users and their
// talk. Every event goes through LobbyFrame, the event dispatch, the user list
// and the figure strip, and into the stand-in toolkit.
//
// Where the time goes is measured by sampling: a CPU-time timer interrupts the
// run about every 250 us and the handler notes the interrupted instruction
// address; afterwards each address is assigned to the loaded object it lies in
// (the module, the stand-in host libraries, or the C/C++ runtime that both
// call into).
#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <link.h>
#include <signal.h>
#include <sys/time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../host/standin/StandIn.h"

namespace si = standin;

namespace {

const int kQuitLabel = 5316;

// ---- sampling -----------------------------------------------------------------------
constexpr int kMaxSamples = 1 << 20;
uintptr_t samples[kMaxSamples];
std::atomic<int> sampleCount{0};

void OnProfileTick(int, siginfo_t*, void* context) {
    int at = sampleCount.load(std::memory_order_relaxed);
    if (at >= kMaxSamples) return;
    const ucontext_t* uc = static_cast<const ucontext_t*>(context);
#if defined(__i386__)
    samples[at] = (uintptr_t)uc->uc_mcontext.gregs[REG_EIP];
#else
    samples[at] = (uintptr_t)uc->uc_mcontext.gregs[REG_RIP];
#endif
    sampleCount.store(at + 1, std::memory_order_relaxed);
}

void StartSampling() {
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_sigaction = OnProfileTick;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigaction(SIGPROF, &action, nullptr);
    itimerval timer{{0, 250}, {0, 250}};
    setitimer(ITIMER_PROF, &timer, nullptr);
}

void StopSampling() {
    itimerval off{};
    setitimer(ITIMER_PROF, &off, nullptr);
}

struct Range {
    uintptr_t low, high;
    int bucket;
};
enum { kModule, kStandIn, kRuntime, kOther, kBuckets };

int CollectRange(dl_phdr_info* info, size_t, void* data) {
    auto* ranges = static_cast<std::vector<Range>*>(data);
    std::string name = info->dlpi_name ? info->dlpi_name : "";
    int bucket = kOther;
    if (name.find("libQvMulti") != std::string::npos)
        bucket = kModule;
    else if (name.find("libQvHost") != std::string::npos)
        bucket = kStandIn;
    else if (name.find("libc.") != std::string::npos || name.find("libstdc++") != std::string::npos ||
             name.find("libgcc") != std::string::npos || name.find("libm.") != std::string::npos)
        bucket = kRuntime;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const auto& ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_LOAD || !(ph.p_flags & PF_X)) continue;
        uintptr_t low = info->dlpi_addr + ph.p_vaddr;
        ranges->push_back({low, low + ph.p_memsz, bucket});
    }
    return 0;
}

// Shares of the samples by bucket, in percent.
std::vector<double> SampleShares() {
    std::vector<Range> ranges;
    dl_iterate_phdr(CollectRange, &ranges);
    std::vector<double> counts(kBuckets, 0.0);
    int total = sampleCount.load();
    for (int i = 0; i < total; ++i) {
        int bucket = kOther;
        for (const Range& r : ranges)
            if (samples[i] >= r.low && samples[i] < r.high) {
                bucket = r.bucket;
                break;
            }
        counts[bucket] += 1;
    }
    for (double& c : counts)
        c = total ? 100.0 * c / total : 0.0;
    return counts;
}

// ---- the module ---------------------------------------------------------------------------
// The module is loaded as the host loads it, from libQvMulti.so next to this
// program, so that its code has an address range of its own. Without the
// library the objects linked into this program are used and their time counts
// as "other".
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
        fprintf(stderr, "libQvMulti.so not loaded: module time is counted as other\n");
        return QueryInterface();
    }();
    return lobby;
}

// ---- the visit -------------------------------------------------------------------------

// A QvXP character description as the chat service sends it.
std::string Description(const std::string& character, int classIndex, int progress) {
    std::string s = "PXvQ";
    s += "West," + character + ",";
    s += "\x01\x01";
    s += std::string(11, '\x03');
    s += (char)(classIndex + 1);
    s += std::string(11, '\x04');
    s += '\x0c';
    s += (char)0x01;
    s += (char)(progress & 0x1f);
    s += "\x01\x01\xff\xff\xff";
    return s;
}

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
    sampleCount = 0;
    StartSampling();
    for (auto _ : state)
        events += RunChannelVisit(users, talk);
    StopSampling();
    state.counters["events/s"] = benchmark::Counter((double)events, benchmark::Counter::kIsRate);
    std::vector<double> shares = SampleShares();
    state.counters["module%"] = shares[kModule];
    state.counters["standin%"] = shares[kStandIn];
    state.counters["runtime%"] = shares[kRuntime];
    state.counters["other%"] = shares[kOther];
    state.counters["samples"] = sampleCount.load();
}
BENCHMARK(BM_ChannelVisit)->Args({1000, 10000})->MinTime(3.0)->Unit(benchmark::kMillisecond);

// Cost per join against the crowd's size: each join re-lays the strip, which
// is linear in the number of users, so the time per event may grow at most in
// step with the crowd.
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
