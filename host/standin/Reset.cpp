// ResetAll: forgets every scripted input and recorded call of the stand-in.
#include "Internal.h"
#include "Services.h"
#include "StandIn.h"

namespace standin {

void ResetAll() {
    internal::ResetToolkit();
    internal::ResetCallLog();
    internal::ResetScript();
    internal::ResetServices();
}

} // namespace standin

namespace standin::internal {

void ResetServices() {
    ResetStrings();
    ResetChat();
    ResetRealm();
    ResetPellick();
    ResetCorvel();
    ResetGameLists();
    ResetMachine();
}

} // namespace standin::internal
