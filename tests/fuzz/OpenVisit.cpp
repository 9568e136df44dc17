// The open visit of the fuzz programs. One visit is started and kept open: its
// first scripted step hands control to the driver (libFuzzer's, or the reset
// proof's), which runs the inputs one by one. Before each input the state of
// the module and of the stand-in is put back to a copy taken at the first
// scripted step of a visit that started as the input's would (same launch
// record, same settings before the start); the input's script then runs in a
// screen loop of the lobby's frame, starting at the action step where the copy
// was taken. The copy for a start not seen before is taken in a visit of its
// own, left (longjmp) as soon as the copy is made, so that nothing it holds is
// torn down.
//
// What is put back is listed in kVisitState, the one list of it. The module's
// part is every module-wide variable: the bytes between the marker objects
// linked before and after the module's objects (ModuleStateBegin.cpp,
// ModuleStateEnd.cpp). Blocks the module holds are not copied: there are none
// when a copy is taken (checked), and after each input the module's own
// release steps (kModuleReleases) free what the input left, as the visit's
// teardown would; a block still live after them is a leak and ends the run.
//
// State: the pristine copy, the copies by start, the loop depth of the hosting
// visit, the jump out of a visit that made its copy.
#include "OpenVisit.h"

#include <dlfcn.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../../Src/chat/ChatTextQueue.h"
#include "../../Src/core/Lobby.h"
#include "../../host/standin/Live.h"
#include "../../host/standin/Saved.h"
#include "../../host/standin/StandIn.h"
#include "FuzzTargets.h"

extern "C" uint32_t qvModuleDataBegin, qvModuleBssBegin, qvModuleDataEnd, qvModuleBssEnd;

namespace fuzz {
namespace {

using standin::saved::Part;

// ---- the module's variables -------------------------------------------------------------
// The bytes hold the sanitizer's red zones between variables, so they are
// copied by the C library's own memcpy rather than the checked one.
using CopyFn = void* (*)(void*, const void*, size_t);
CopyFn RawCopy() {
    static CopyFn copy = reinterpret_cast<CopyFn>(dlsym(RTLD_NEXT, "memcpy"));
    if (!copy) abort();
    return copy;
}

struct Range {
    uint8_t* begin;
    uint8_t* end;
};
Range DataRange() {
    return {reinterpret_cast<uint8_t*>(&qvModuleDataBegin), reinterpret_cast<uint8_t*>(&qvModuleDataEnd)};
}
Range BssRange() {
    return {reinterpret_cast<uint8_t*>(&qvModuleBssBegin), reinterpret_cast<uint8_t*>(&qvModuleBssEnd)};
}
bool Within(const void* p) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    for (Range r : {DataRange(), BssRange()})
        if (b >= r.begin && b < r.end) return true;
    return false;
}

// The markers must enclose the module's variables: a link that placed them
// elsewhere would leave state out of every copy.
void CheckModuleRanges() {
    const void* samples[] = {&lobbyState, &nextRequestId, &gameInfoQueued, &channelUsers, &figureCells,
                             &chatPane,   &selectedIndex, &userCount,      &resultCode,   &launch};
    for (const void* p : samples)
        if (!Within(p) || DataRange().end <= DataRange().begin || BssRange().end <= BssRange().begin) {
            fprintf(stderr, "open visit: the module's variables lie outside the marked ranges\n");
            abort();
        }
}

Part SaveModule() {
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    for (Range r : {DataRange(), BssRange()}) {
        size_t at = bytes->size();
        bytes->resize(at + (size_t)(r.end - r.begin));
        RawCopy()(bytes->data() + at, r.begin, (size_t)(r.end - r.begin));
    }
    return bytes;
}
void RestoreModule(const Part& part) {
    const std::vector<uint8_t>& bytes = standin::saved::Copied<std::vector<uint8_t>>(part);
    size_t at = 0;
    for (Range r : {DataRange(), BssRange()}) {
        RawCopy()(r.begin, bytes.data() + at, (size_t)(r.end - r.begin));
        at += (size_t)(r.end - r.begin);
    }
}

// ---- the one list of what is put back ---------------------------------------------------
struct StatePiece {
    const char* what;
    Part (*save)();
    void (*restore)(const Part&);
};
const StatePiece kVisitState[] = {
    // lobbyState, request ids, result, channel users and their lookups, figure
    // strip, name memory, chat pane and input line, open dialog and its
    // controls, transient controls, popups, timers and tick times, banner,
    // ladder, profile, create and join settings, random state: all module-wide.
    {"the module's variables", SaveModule, RestoreModule},
    {"toolkit: controls, figures, images, focus, cancel, pointer, handle counters, calls",
     standin::saved::SaveToolkit, standin::saved::RestoreToolkit},
    {"sound calls", standin::saved::SaveSound, standin::saved::RestoreSound},
    {"the log of every call in order", standin::saved::SaveCallLog, standin::saved::RestoreCallLog},
    {"script: action queue, idle and frame counts, flags", standin::saved::SaveScript,
     standin::saved::RestoreScript},
    {"chat service: calls, connection, answers, events, adverts, handlers", standin::saved::SaveChat,
     standin::saved::RestoreChat},
    {"realm: calls, connection, requests, pending replies, queue, handlers, logon", standin::saved::SaveRealm,
     standin::saved::RestoreRealm},
    {"realm's creation queue", standin::saved::SaveRealmQueue, standin::saved::RestoreRealmQueue},
    {"ladder answers", standin::saved::SaveLadder, standin::saved::RestoreLadder},
    {"scripted game lists", standin::saved::SaveGameLists, standin::saved::RestoreGameLists},
    {"machine registry and started programs", standin::saved::SaveMachine, standin::saved::RestoreMachine},
    {"registry (create-game settings)", standin::saved::SaveRegistry, standin::saved::RestoreRegistry},
    {"log lines, content flag", standin::saved::SaveUtility, standin::saved::RestoreUtility},
    {"strings", standin::saved::SaveStrings, standin::saved::RestoreStrings},
    {"clock", standin::saved::SaveClock, standin::saved::RestoreClock},
};
constexpr size_t kPieces = sizeof kVisitState / sizeof kVisitState[0];

// What the module holds in blocks, freed by its own release steps as the
// visit's teardown frees them.
void ReleaseModuleBlocks() {
    ClearUsers(); // the users, their figures and the name memory
    FreeRealmMessages();
    while (ChatTextEntry* entry = TakeChatText())
        FreeChatText(entry);
}

using Copy = std::vector<Part>;
Copy SaveAll() {
    Copy copy;
    for (const StatePiece& piece : kVisitState)
        copy.push_back(piece.save());
    return copy;
}
void RestoreAll(const Copy& copy) {
    for (size_t i = 0; i < kPieces; ++i)
        kVisitState[i].restore(copy[i]);
}

// ---- starts seen ----------------------------------------------------------------------------
struct Start {
    LaunchRecord record; // the module keeps a pointer to it
    Copy copy;           // empty: the start runs whole (it ends, or waits, before its first step)
};
constexpr size_t kMaxStarts = 256;
std::map<std::string, std::unique_ptr<Start>> starts;
Copy pristine;
int hostDepth = 0;
std::jmp_buf leaveStart;

std::string StartKey(const VisitSetup& setup) {
    return std::string(reinterpret_cast<const char*>(&setup.record), sizeof setup.record) + setup.key;
}

// Starts a visit as the input would and copies the state at its first step.
Start& MakeStart(VisitSetup& setup) {
    if (starts.size() >= kMaxStarts) starts.clear();
    auto start = std::make_unique<Start>();
    start->record = setup.record;
    Start* s = start.get();
    RestoreAll(pristine);
    StartFreshStandIn(setup);
    standin::Enqueue([s] {
        // A first step taken in a loop of the start's own (the realm's logon
        // wait) has that loop's caller on the stack: such a start runs whole.
        if (standin::LoopDepth() == 1 && standin::saved::InnermostLoopFrame() == LobbyFrame) {
            CheckBlocks(0, "the visit's start");
            s->copy = SaveAll();
        }
        std::longjmp(leaveStart, 1);
    });
    if (setjmp(leaveStart) == 0) {
        standin::RunVisit(QueryInterface(), &s->record);
        // Ended before its first step: nothing is left open.
        CheckBlocks(0, "the visit");
    }
    standin::saved::ForgetLoopsAbove(hostDepth);
    if (getenv("QV_FUZZ_DEBUG"))
        fprintf(stderr, "open visit: start %zu %s\n", starts.size() + 1,
                s->copy.empty() ? "runs whole" : "copied at its first step");
    return *(starts[StartKey(setup)] = std::move(start));
}

void RunOpen(VisitSetup& setup) {
    std::deque<standin::Action> script = standin::saved::TakeActions();
    auto found = starts.find(StartKey(setup));
    Start& start = found != starts.end() ? *found->second : MakeStart(setup);
    if (start.copy.empty()) {
        // A start that cannot be copied runs whole every time.
        RestoreAll(pristine);
        standin::saved::PutActions(std::move(script));
        RunWholeVisit(setup);
        return;
    }
    RestoreAll(start.copy);
    for (auto& set : setup.also)
        set();
    if (afterInput) script.push_back(afterInput);
    script.push_back([] { standin::EndAllScreenLoops(); });
    standin::saved::PutActions(std::move(script));
    standin::saved::StartNextLoopAtAction();
    RunScreenLoop(LobbyFrame);
    if (getenv("QV_FUZZ_DEBUG"))
        fprintf(stderr, "open visit: input ended with %d steps left, result %d, timed out %d, %llu frames\n",
                standin::PendingActions(), (int)resultCode, (int)standin::LoopTimedOut(),
                (unsigned long long)standin::FramesRun());
    ReleaseModuleBlocks();
    CheckBlocks(0, "the input");
}

void RunFresh(VisitSetup& setup) {
    std::deque<standin::Action> script = standin::saved::TakeActions();
    RestoreAll(pristine);
    standin::saved::PutActions(std::move(script));
    RunWholeVisit(setup);
}

} // namespace

void SavePristineState() {
    CheckModuleRanges();
    pristine = SaveAll();
}

void UseOpenVisit() {
    visitRunner = RunOpen;
}
void UseFreshVisits() {
    visitRunner = RunFresh;
}

void RunInOpenVisit(const std::function<int()>& driver) {
    static LaunchRecord record;
    standin::FillLaunchRecord(&record);
    standin::UseMemoryRegistry();
    standin::Enqueue([&driver] {
        hostDepth = standin::LoopDepth();
        standin::saved::SetLoopFloor(hostDepth);
        int result = driver();
        fflush(stdout);
        fflush(stderr);
        _exit(result);
    });
    standin::RunVisit(QueryInterface(), &record);
    fprintf(stderr, "open visit: the hosting visit ended before its first step\n");
    _exit(1);
}

} // namespace fuzz
