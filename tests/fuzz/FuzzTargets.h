// The fuzz targets: one per kind of untrusted input the chat service and the
// realm client hand the module. Each target turns the fuzzer's bytes into a
// launch record, the stand-in's settings and a script of service input and
// clicks, and hands them to the visit runner: by default one whole lobby visit
// through the module's operation table from a fresh stand-in (what the test that
// replays the committed crash inputs uses); the fuzz programs run every input
// inside one open visit instead (OpenVisit.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../../include/QvMulti.h"

namespace fuzz {

using TargetFn = void (*)(const uint8_t* data, size_t size);

struct Target {
    const char* name;
    TargetFn run;
};

// Every target, by name; a null row ends the table.
extern const Target kTargets[];
const Target* FindTarget(const char* name);

// What an input sets up before its script runs. `before` settings act on the
// visit's start (the launch record does too): `key` names them, so that two
// inputs with the same record and key start alike. `also` settings are only
// read once the script runs. The script itself is in the stand-in's queue.
struct VisitSetup {
    LaunchRecord record;
    std::string key;
    std::vector<std::function<void()>> before, also;
};
using VisitRunner = void (*)(VisitSetup& setup);
// Null: RunWholeVisit.
extern VisitRunner visitRunner;
// Called by a scripted step right after the input's last one (null: none).
extern std::function<void()> afterInput;

// From a fresh stand-in (ResetAll, the clock an hour on, an empty registry in
// memory): the settings, the script, then Escape and quit until the visit ends;
// every block the service handed the module must be given back.
void RunWholeVisit(VisitSetup& setup);
// The stand-in as such a visit starts: reset, the clock an hour on, an empty
// registry in memory, then the input's start settings.
void StartFreshStandIn(const VisitSetup& setup);
// Presses Escape, then the quit button, while a screen loop runs, up to count times.
void EndSteps(int count);
// Aborts with a message unless every block handed out was given back.
void CheckBlocks(int expected, const char* when);

// The inputs kept in a folder (corpus or regressions), by name, dot files left out.
std::vector<std::string> InputFiles(const std::string& dir);
std::vector<uint8_t> ReadInput(const std::string& path);

} // namespace fuzz
