// Saving and restoring what the stand-in libraries hold for a visit, one part
// per library unit, for a program that keeps one visit open and puts it back
// between runs (the fuzz targets). A part is a copy taken by Save and written
// back by Restore as often as wanted; Restore leaves the unit as it was at Save.
//
// Not part of any copy: the running screen loops (they live on the stack; see
// SetLoopFloor), the live-block set of the utility library (blocks are real
// memory, the module gives back its own), the chat-service table (its slots are
// the program's to change) and the dated-message producer thread.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "StandIn.h"

namespace standin::saved {

using Part = std::shared_ptr<const void>;
template <class T> Part Copy(const T& value) {
    return std::make_shared<const T>(value);
}
template <class T> const T& Copied(const Part& part) {
    return *static_cast<const T*>(part.get());
}

// Counts every reset and every clearing of a call log (CallLog.cpp).
uint64_t ResetCount();
// Whether a unit's state grew from a part: it was the part restored last, and
// nothing was reset or cleared since. Call logs only grow then, so putting one
// back is cutting it to its saved length.
class Grown {
  public:
    bool From(const Part& part) const { return last == part.get() && resets == ResetCount(); }
    void Mark(const Part& part) {
        last = part.get();
        resets = ResetCount();
    }

  private:
    const void* last = nullptr;
    uint64_t resets = 0;
};
// Puts a log back to its copy: cut when it grew from it, copied otherwise.
template <class Log> void RestoreLog(Log& log, const Log& copy, bool grown) {
    if (grown && log.size() >= copy.size())
        log.resize(copy.size(), typename Log::value_type{});
    else
        log = copy;
}

// Controls, figures, images, focus, cancel control, background, cursor,
// pointer, aura images, handle and order counters, toolkit calls. Restoring
// the copy restored last (nothing reset since) puts back only the controls
// handed out since (Toolkit.h), made since or destroyed since.
Part SaveToolkit();
void RestoreToolkit(const Part& part);
// What the records hold beyond the screen model (a list's current row, a
// timer's last tick), one line per record, without marking any: for a proof
// that the put-back is complete.
std::string ToolkitRecordsText();
Part SaveSound();
void RestoreSound(const Part& part);
// The log of every library's calls in order.
Part SaveCallLog();
void RestoreCallLog(const Part& part);
// The action queue, idle and frame counts, the timed-out and failure flags.
Part SaveScript();
void RestoreScript(const Part& part);
// Calls, connection, scripted answers, queued events (none may be queued at
// Save), advertisement data, the dated-message handlers.
Part SaveChat();
void RestoreChat(const Part& part);
// Calls, connection, requests and replies, queue, handlers, logon countdown and signal.
Part SaveRealm();
void RestoreRealm(const Part& part);
Part SaveRealmQueue();
void RestoreRealmQueue(const Part& part);
Part SaveLadder();
void RestoreLadder(const Part& part);
Part SaveGameLists();
void RestoreGameLists(const Part& part);
Part SaveMachine();
void RestoreMachine(const Part& part);
// The registry's place and, when kept in memory, its lines.
Part SaveRegistry();
void RestoreRegistry(const Part& part);
// Log lines and the content flag.
Part SaveUtility();
void RestoreUtility(const Part& part);
// Replaced texts, the load state and the language number.
Part SaveStrings();
void RestoreStrings(const Part& part);
Part SaveClock();
void RestoreClock(const Part& part);

// ---- the whole visit (SavedVisit.cpp) -------------------------------------------------
// Memory the program saves with the visit as raw bytes (the module's variables).
struct ByteRange {
    uint8_t* begin;
    uint8_t* end;
};
void SetProgramBytes(std::vector<ByteRange> ranges);
// Every part of kVisitState, the one list of what is put back, in its order.
using VisitCopy = std::vector<Part>;
VisitCopy SaveVisit();
void RestoreVisit(const VisitCopy& copy);

// ---- the screen loop under a program that hosts a visit --------------------------------
// Takes every queued action out of the script, in order.
std::deque<Action> TakeActions();
void PutActions(std::deque<Action> queue);
// Loops up to depth belong to the hosting program: LoopDepth counts only those
// above it, and the nesting limit and the idle limit end only those (0: none).
void SetLoopFloor(int depth);
// Forgets the loops above depth that were left without returning (the stack
// they lived on was unwound past them).
void ForgetLoopsAbove(int depth);
// The next loop to start begins at the action step of its first frame, as if
// the frame's services, callback and timers had just run.
void StartNextLoopAtAction();
// The frame callback of the innermost running loop (null: none).
FrameCallback InnermostLoopFrame();

} // namespace standin::saved
