// Running every input of a fuzz target inside one open visit: the lobby's
// screen loop keeps running and the module's and the stand-in's visit state is
// put back between inputs to what it was before the first (OpenVisit.cpp).
#pragma once

#include <functional>

namespace fuzz {

// Saves the state of the module and the stand-in as the program starts; call
// before anything else touches either.
void SavePristineState();
// Runs a visit and, from its first scripted step, driver (which runs inputs
// through the targets); ends the program with driver's result.
[[noreturn]] void RunInOpenVisit(const std::function<int()>& driver);
// Every target run from now on runs alone: inside the open visit, or in a
// fresh visit started from the pristine state.
void UseOpenVisit();
void UseFreshVisits();

} // namespace fuzz
