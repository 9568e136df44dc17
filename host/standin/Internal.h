// Hooks between the stand-in libraries (not used by tests or the module).
#pragma once

#include "StandIn.h"

namespace standin::internal {

// Toolkit and script (Toolkit.cpp, Script.cpp).
void ResetToolkit();
void ResetScript();
// Strings, services, core and utility (the other stand-in units).
void ResetServices();
// Called by the screen loop once per frame, before the frame callback: the realm
// stand-in advances its logon countdown here.
void OnFrame();

// The log of every library's calls in order (CallLog.cpp). Library names:
// "chat", "realm", "toolkit", "sound".
void LogCall(const char* library, const std::vector<Call>& log); // after its call was appended to log
void ForgetCalls(const char* library); // when a library's own log is cleared
void ResetCallLog();

} // namespace standin::internal
