// The log of every recorded call of every stand-in library in the order made,
// so that a test can ask whether one library's call came before another's. The
// libraries keep their own logs too; this one holds the same entries.
//
// State: the log.
#include <algorithm>
#include <string>
#include <vector>

#include "Internal.h"
#include "StandIn.h"

namespace {

std::vector<standin::LibraryCall> allCalls;

} // namespace

namespace standin {

std::vector<LibraryCall> AllCalls() {
    return allCalls;
}

} // namespace standin

namespace standin::internal {

void LogCall(const char* library, const Call& call) {
    allCalls.push_back(LibraryCall{library, call});
}

void ForgetCalls(const char* library) {
    allCalls.erase(std::remove_if(allCalls.begin(), allCalls.end(),
                                  [library](const LibraryCall& c) { return c.library == library; }),
                   allCalls.end());
}

void ResetCallLog() {
    allCalls.clear();
}

} // namespace standin::internal
