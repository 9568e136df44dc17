// Linked into every Windows test program: the module's code in the program
// reads the stand-in clock, as it does under the stand-in host, so tests let
// time pass without waiting. (On Linux the stand-in library provides the boot
// clock itself.) A program without the module's code has nothing to redirect.
#include <windows.h>

#include "../../host/standin/StandIn.h"

namespace {

[[maybe_unused]] const int redirected = standin::RedirectTickCount(GetModuleHandleA(nullptr));

} // namespace
