// What the instruction-count programs share: the module loaded as the host
// loads it, the program's own path (each runs itself under callgrind), and
// callgrind's dumps read by side.
#pragma once

#include <cstdint>
#include <string>

#include "../include/QvMulti.h"

namespace bench {

// libQvMulti.so beside the program, through QueryInterface; exits 2 when it
// cannot be loaded.
const LobbyInterface* Lobby();
std::string SelfPath();

// The module, the stand-in with the program that drives it, and the C and C++
// runtimes, whose instructions count for the side that called into them.
enum Side { kModule, kStandIn, kRuntime };
struct Counts {
    std::string name; // the dump's trigger
    uint64_t side[3] = {};
    uint64_t Total() const { return side[kModule] + side[kStandIn]; }
};
// Self cost by side of one dump; the runtime's cost goes to the side that called it.
Counts ReadDump(const std::string& path);

} // namespace bench
