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
// What is put back is listed in kVisitState (host/standin/SavedVisit.cpp), the
// one list of it. The module's part is every module-wide variable: the bytes between the marker objects
// linked before and after the module's objects (ModuleStateBegin.cpp,
// ModuleStateEnd.cpp). Blocks the module holds are not copied: there are none
// when a copy is taken (checked), and after each input the module's own
// release steps (ReleaseModuleBlocks) free what the input left, as the visit's
// teardown would; a block still live after them is a leak and ends the run.
//
// State: the pristine copy, the copies by start, the loop depth of the hosting
// visit, the jump out of a visit that made its copy.
#include "OpenVisit.h"

#include <unistd.h>

#include <algorithm>
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

// ---- the module's variables -------------------------------------------------------------
using standin::saved::ByteRange;
ByteRange DataRange() {
    return {reinterpret_cast<uint8_t*>(&qvModuleDataBegin), reinterpret_cast<uint8_t*>(&qvModuleDataEnd)};
}
ByteRange BssRange() {
    return {reinterpret_cast<uint8_t*>(&qvModuleBssBegin), reinterpret_cast<uint8_t*>(&qvModuleBssEnd)};
}
bool Within(const void* p) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    for (ByteRange r : {DataRange(), BssRange()})
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

// What the module holds in blocks, freed by its own release steps as the
// visit's teardown frees them.
void ReleaseModuleBlocks() {
    ClearUsers(); // the users, their figures and the name memory
    FreeRealmMessages();
    while (ChatTextEntry* entry = TakeChatText())
        FreeChatText(entry);
}

using Copy = standin::saved::VisitCopy;
const auto SaveAll = standin::saved::SaveVisit;
const auto RestoreAll = standin::saved::RestoreVisit;

// ---- starts seen ----------------------------------------------------------------------------
struct Start {
    LaunchRecord record; // the module keeps a pointer to it
    Copy copy;           // empty: the start runs whole (it ends, or waits, before its first step)
    uint64_t lastUse = 0;
};
constexpr size_t kMaxStarts = 256;
std::map<std::string, std::unique_ptr<Start>> starts;
Copy pristine;
int hostDepth = 0;
std::jmp_buf leaveStart;
uint64_t uses = 0;

std::string StartKey(const VisitSetup& setup) {
    return std::string(reinterpret_cast<const char*>(&setup.record), sizeof setup.record) + setup.key;
}

// Starts a visit as the input would and copies the state at its first step.
Start& MakeStart(VisitSetup& setup) {
    // Full: the start used longest ago makes room (mutants share their parent's start).
    if (starts.size() >= kMaxStarts)
        starts.erase(std::min_element(starts.begin(), starts.end(), [](auto& a, auto& b) {
            return a.second->lastUse < b.second->lastUse;
        }));
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
    start.lastUse = ++uses;
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
    standin::saved::SetProgramBytes({DataRange(), BssRange()});
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
