// ResetAll: forgets every scripted input and recorded call of the stand-in.
#include "Internal.h"
#include "Services.h"
#include "StandIn.h"
#include "Toolkit.h"

namespace {

// The realm's per-frame work runs in every screen loop from the moment the
// driver library is loaded.
const bool servicesHookSet = (standin::internal::SetServicesHook(&standin::internal::OnFrame), true);

} // namespace

namespace standin {

void ResetAll() {
    (void)servicesHookSet;
    internal::ResetToolkit();
    toolkit::ResetSound();
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
