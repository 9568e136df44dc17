// The fuzz targets: one per kind of untrusted input the chat service and the
// realm client hand the module. Each target turns the fuzzer's bytes into
// service input as the stand-in delivers it and runs one whole lobby visit
// through the module's operation table, so every input starts from a fresh
// visit. The same table serves the libFuzzer programs and the test that
// replays the committed crash inputs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

using TargetFn = void (*)(const uint8_t* data, size_t size);

struct Target {
    const char* name;
    TargetFn run;
};

// Every target, by name; a null row ends the table.
extern const Target kTargets[];
const Target* FindTarget(const char* name);

} // namespace fuzz
