// The whole visit's state as one copy, for a program that keeps one visit open
// (Saved.h): kVisitState is the one list of what is put back, every unit's part
// and the program's own variables, kept as raw bytes of the ranges it names.
//
// State: the program's ranges.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Saved.h"
#if !defined(_WIN32)
#include <dlfcn.h>
#endif

namespace standin::saved {
namespace {

std::vector<ByteRange> programRanges;

// The bytes hold the sanitizer's red zones between variables, so they are
// compared and copied by the C library's own functions rather than the checked ones.
template <class Fn> Fn Raw(const char* name, Fn plain) {
#if defined(_WIN32)
    (void)name;
    return plain;
#else
    Fn fn = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
    return fn ? fn : (abort(), plain);
#endif
}
const auto RawCopy = Raw<void* (*)(void*, const void*, size_t)>("memcpy", memcpy);
const auto RawCompare = Raw<int (*)(const void*, const void*, size_t)>("memcmp", memcmp);

Part SaveProgramBytes() {
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    for (ByteRange r : programRanges) {
        size_t at = bytes->size();
        bytes->resize(at + (size_t)(r.end - r.begin));
        RawCopy(bytes->data() + at, r.begin, (size_t)(r.end - r.begin));
    }
    return bytes;
}
// An input changes few of the variables: only the blocks that differ from the
// copy are written back.
void RestoreProgramBytes(const Part& part) {
    constexpr size_t kBlock = 1024;
    const uint8_t* saved = Copied<std::vector<uint8_t>>(part).data();
    for (ByteRange r : programRanges)
        for (uint8_t* at = r.begin; at < r.end;) {
            size_t n = std::min<size_t>(kBlock, (size_t)(r.end - at));
            if (RawCompare(at, saved, n) != 0) RawCopy(at, saved, n);
            at += n, saved += n;
        }
}

struct StatePiece {
    const char* what;
    Part (*save)();
    void (*restore)(const Part&);
};
const StatePiece kVisitState[] = {
    // For the module: lobbyState, request ids, result, channel users and their
    // lookups, figure strip, name memory, chat pane and input line, open dialog
    // and its controls, transient controls, popups, timers and tick times,
    // banner, ladder, profile, create and join settings, random state.
    {"the program's variables (SetProgramBytes)", SaveProgramBytes, RestoreProgramBytes},
    {"toolkit: controls, figures, images, focus, cancel, pointer, handle counters, calls", SaveToolkit,
     RestoreToolkit},
    {"sound calls", SaveSound, RestoreSound},
    {"the log of every call in order", SaveCallLog, RestoreCallLog},
    {"script: action queue, idle and frame counts, flags", SaveScript, RestoreScript},
    {"chat service: calls, connection, answers, events, adverts, handlers", SaveChat, RestoreChat},
    {"realm: calls, connection, requests, pending replies, queue, handlers, logon", SaveRealm, RestoreRealm},
    {"realm's creation queue", SaveRealmQueue, RestoreRealmQueue},
    {"ladder answers", SaveLadder, RestoreLadder},
    {"scripted game lists", SaveGameLists, RestoreGameLists},
    {"machine registry and started programs", SaveMachine, RestoreMachine},
    {"registry (create-game settings)", SaveRegistry, RestoreRegistry},
    {"log lines, content flag", SaveUtility, RestoreUtility},
    {"strings", SaveStrings, RestoreStrings},
    {"clock", SaveClock, RestoreClock},
};
constexpr size_t kPieces = sizeof kVisitState / sizeof kVisitState[0];

} // namespace

void SetProgramBytes(std::vector<ByteRange> ranges) {
    programRanges = std::move(ranges);
}

VisitCopy SaveVisit() {
    VisitCopy copy;
    for (const StatePiece& piece : kVisitState)
        copy.push_back(piece.save());
    return copy;
}

void RestoreVisit(const VisitCopy& copy) {
    if (copy.size() != kPieces) abort();
    for (size_t i = 0; i < kPieces; ++i)
        kVisitState[i].restore(copy[i]);
}

} // namespace standin::saved
