// The log of every recorded call of every stand-in library in the order made,
// so that a test can ask whether one library's call came before another's. The
// libraries keep their own logs; this one only points into them (library, log,
// index), so recording a call costs one small entry and the texts are copied
// only when a test asks for the whole log.
//
// State: the log.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Internal.h"
#include "Saved.h"
#include "StandIn.h"

namespace {

struct Entry {
    const char* library;
    const std::vector<standin::Call>* log;
    size_t index;
};
std::vector<Entry> allCalls;
uint64_t resetCount = 0; // resets and clearings (Saved.h)

} // namespace

namespace standin {

std::vector<LibraryCall> AllCalls() {
    std::vector<LibraryCall> out;
    out.reserve(allCalls.size());
    for (const Entry& e : allCalls)
        out.push_back(LibraryCall{e.library, (*e.log)[e.index]});
    return out;
}

} // namespace standin

namespace standin::internal {

void LogCall(const char* library, const std::vector<Call>& log) {
    // Room for a long visit at once, so that recording stays a plain append.
    if (allCalls.capacity() == 0) allCalls.reserve(1 << 14);
    allCalls.push_back(Entry{library, &log, log.size() - 1});
}

void ForgetCalls(const char* library) {
    ++resetCount;
    allCalls.erase(std::remove_if(allCalls.begin(), allCalls.end(),
                                  [library](const Entry& e) { return std::strcmp(e.library, library) == 0; }),
                   allCalls.end());
}

void ResetCallLog() {
    ++resetCount;
    allCalls.clear();
}

} // namespace standin::internal

// ---- saved state (Saved.h) ----------------------------------------------------------------
// Entries point into the libraries' own logs, which are restored alongside.
namespace standin::saved {
namespace {
Grown grown;
}
uint64_t ResetCount() {
    return resetCount;
}
Part SaveCallLog() {
    return Copy(allCalls);
}
void RestoreCallLog(const Part& part) {
    RestoreLog(allCalls, Copied<std::vector<Entry>>(part), grown.From(part));
    grown.Mark(part);
}
} // namespace standin::saved
