// The stand-in machine clock: the tick count the module reads, in ms.
//
// Scripts let time pass without waiting: the clock only moves when a script (or
// the host program) advances it, and it starts at kClockStart. It wraps like
// the system tick count.
//
// On Linux the module reads the tick count from the boot-time clock
// (clock_gettime with CLOCK_BOOTTIME). The stand-in host owns the machine's boot
// clock: this library defines clock_gettime itself, so every caller that links
// against it (the module, the tests, the host program) gets the virtual clock
// for CLOCK_BOOTTIME, while every other clock is answered by the C library as
// usual. The 64-bit-time entry point is covered the same way for code built
// with 64-bit time_t.
//
// On Windows nothing is interposed here: the host program points the module's
// tick-count import at a function that returns Now().
//
// State: the clock value.
#include <atomic>

#include "Saved.h"
#include "StandIn.h"

#ifndef _WIN32
#include <dlfcn.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
#endif

namespace {

// Read from the chat service's message thread too.
std::atomic<uint32_t> now{standin::kClockStart};

} // namespace

namespace standin {

uint32_t Now() {
    return now.load();
}
void SetNow(uint32_t ms) {
    now.store(ms);
}
void AdvanceTime(uint32_t ms) {
    now.fetch_add(ms);
}

} // namespace standin

#ifndef _WIN32

namespace {

using ClockFn = int (*)(clockid_t, struct timespec*);

struct Timespec64 {
    int64_t seconds;
    int32_t nanoseconds;
    int32_t padding;
};
using Clock64Fn = int (*)(clockid_t, Timespec64*);

ClockFn RealClock() {
    static ClockFn real = reinterpret_cast<ClockFn>(dlsym(RTLD_NEXT, "clock_gettime"));
    return real;
}

Clock64Fn RealClock64() {
    static Clock64Fn real = reinterpret_cast<Clock64Fn>(dlsym(RTLD_NEXT, "__clock_gettime64"));
    return real;
}

} // namespace

// The machine's clocks as seen by everything linked against the stand-in host:
// CLOCK_BOOTTIME is the virtual clock, every other clock is the real one.
extern "C" int clock_gettime(clockid_t id, struct timespec* ts) noexcept {
    if (id == CLOCK_BOOTTIME) {
        uint32_t ms = standin::Now();
        ts->tv_sec = (time_t)(ms / 1000u);
        ts->tv_nsec = (long)(ms % 1000u) * 1000000L;
        return 0;
    }
    if (ClockFn real = RealClock()) return real(id, ts);
    return (int)syscall(SYS_clock_gettime, id, ts);
}

// The same for callers built with 64-bit time_t on a 32-bit system.
extern "C" int __clock_gettime64(clockid_t id, Timespec64* ts) noexcept {
    if (id == CLOCK_BOOTTIME) {
        if (!ts) return -1;
        uint32_t ms = standin::Now();
        ts->seconds = ms / 1000u;
        ts->nanoseconds = (int32_t)(ms % 1000u) * 1000000;
        ts->padding = 0;
        return 0;
    }
    if (Clock64Fn real = RealClock64()) return real(id, ts);
    struct timespec t {};
    int result = clock_gettime(id, &t);
    ts->seconds = t.tv_sec;
    ts->nanoseconds = (int32_t)t.tv_nsec;
    ts->padding = 0;
    return result;
}

#endif

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {
Part SaveClock() {
    return Copy(Now());
}
void RestoreClock(const Part& part) {
    SetNow(Copied<uint32_t>(part));
}
} // namespace standin::saved
