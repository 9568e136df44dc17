// The stand-in machine: the machine registry the module reads and the programs
// it starts, both recorded (StandIn.h section 11).
//
// On Linux the module's OS layer asks the host for machine registry values
// (QvHostReadMachineString, defined here) and starts programs with
// posix_spawnp. This library defines posix_spawnp itself, so every caller
// linked against it (the module, the tests, the host program) gets the
// stand-in: the argument vector is recorded and nothing is started, unless a
// test asks for real starts, which go on to the system's posix_spawnp. A start
// can be made to fail.
//
// On Windows nothing is interposed: the module reads the real registry and
// starts real programs.
//
// Defaults: ".html" is of the class "htmlfile", whose open command is
// "webbrowser"; starts succeed.
//
// State: the registry values, the start failure and real start flags and the
// recorded calls.
#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Services.h"
#include "StandIn.h"

#ifndef _WIN32
#include <dlfcn.h>
#include <spawn.h>
#endif

namespace {

struct MachineState {
    std::map<std::string, std::string> values; // "key\valueName" (empty name: the default value)
    bool startFails = false;
    bool startsReal = false;
    std::vector<standin::Call> calls;
};

void SetDefaults(MachineState& m);

MachineState& M() {
    static MachineState* state = [] {
        MachineState* m = new MachineState;
        SetDefaults(*m);
        return m;
    }();
    return *state;
}

std::string ValueKey(const std::string& keyPath, const std::string& valueName) {
    return keyPath + "\\" + valueName;
}

void SetDefaults(MachineState& m) {
    m.values.clear();
    m.values[ValueKey("SOFTWARE\\Classes\\.html", "")] = "htmlfile";
    m.values[ValueKey("SOFTWARE\\Classes\\htmlfile\\shell\\open\\command", "")] = "webbrowser";
    m.startFails = false;
    m.startsReal = false;
    m.calls.clear();
}

} // namespace

// The machine registry as the module's OS layer reads it on Linux.
extern "C" int QvHostReadMachineString(const char* keyPath, const char* valueName, char* buf, int size) {
    MachineState& m = M();
    m.calls.push_back(
        {"ReadMachineString", {standin::internal::Text(keyPath), standin::internal::Text(valueName)}});
    if (size <= 0) return 0;
    buf[0] = 0;
    auto it = m.values.find(ValueKey(keyPath ? keyPath : "", valueName ? valueName : ""));
    if (it == m.values.end() || it->second.size() >= (size_t)size) return 0;
    memcpy(buf, it->second.c_str(), it->second.size() + 1);
    return 1;
}

#ifndef _WIN32
using SpawnFn = int (*)(pid_t*, const char*, const posix_spawn_file_actions_t*, const posix_spawnattr_t*,
                        char* const[], char* const[]);

// Records the program and its arguments instead of starting anything; the
// process id is left untouched, as no process exists. With real starts on, the
// system's posix_spawnp starts it after the record.
extern "C" int posix_spawnp(pid_t* pid, const char* file, const posix_spawn_file_actions_t* actions,
                            const posix_spawnattr_t* attributes, char* const argv[], char* const envp[]) {
    MachineState& m = M();
    standin::Call call{"StartProcess", {}};
    for (int i = 0; argv[i]; ++i)
        call.args.push_back(argv[i]);
    if (call.args.empty() || call.args[0] != file)
        call.args.insert(call.args.begin(), std::string("file=") + file);
    m.calls.push_back(std::move(call));
    if (m.startFails) return ENOENT;
    if (!m.startsReal) return 0;
    static const SpawnFn systemSpawn = (SpawnFn)dlsym(RTLD_NEXT, "posix_spawnp");
    return systemSpawn ? systemSpawn(pid, file, actions, attributes, argv, envp) : ENOSYS;
}
#endif

namespace standin {

void SetMachineString(const std::string& keyPath, const std::string& valueName, const std::string& value,
                      bool present) {
    if (present)
        M().values[ValueKey(keyPath, valueName)] = value;
    else
        M().values.erase(ValueKey(keyPath, valueName));
}

void SetProcessStartFails(bool fails) {
    M().startFails = fails;
}

void SetProcessStartsReal(bool real) {
    M().startsReal = real;
}

std::vector<Call> MachineCalls() {
    return M().calls;
}

std::vector<Call> MachineCallsNamed(const std::string& name) {
    return internal::CallsNamed(M().calls, name);
}

} // namespace standin

namespace standin::internal {

void ResetMachine() {
    SetDefaults(M());
}

} // namespace standin::internal
