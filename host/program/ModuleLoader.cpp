// Loading the lobby module as the game's host does: the shared library, its
// only export QueryInterface, and the operation table it returns.
//
// On Windows the module's import of the system tick count is redirected to the
// stand-in clock (standin::RedirectTickCount).
#include <cstdio>
#include <cstring>

#include "../standin/StandIn.h"
#include "Scenario.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace qvhost {

typedef const LobbyInterface* (*QueryInterfaceFn)();

std::string DefaultModulePath(const char* argv0) {
    std::string dir = argv0 ? argv0 : "";
    size_t slash = dir.find_last_of("/\\");
    dir = slash == std::string::npos ? "" : dir.substr(0, slash + 1);
#if defined(_WIN32)
    return dir + "QvMulti.dll";
#else
    return (dir.empty() ? std::string("./") : dir) + "libQvMulti.so";
#endif
}

#if defined(_WIN32)

// The system's text for an error code, on one line ("" when it has none).
static std::string SystemErrorText(DWORD code) {
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  0, text, sizeof text, nullptr);
    std::string out(text, length < sizeof text ? length : 0);
    while (!out.empty() &&
           (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out.empty() ? "no reason given" : out;
}

const LobbyInterface* LoadModule(const std::string& path, std::string* error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        DWORD code = GetLastError();
        *error =
            "cannot load " + path + ": " + SystemErrorText(code) + " (error " + std::to_string(code) + ")";
        return nullptr;
    }
    // The stand-in host owns the clock: scenarios let minutes pass (join
    // timeouts, chat ticks) without waiting.
    if (standin::RedirectTickCount(module) == 0)
        std::fprintf(stderr, "qvhost: %s imports no GetTickCount; its clock is not the stand-in's\n",
                     path.c_str());
    QueryInterfaceFn query =
        reinterpret_cast<QueryInterfaceFn>(reinterpret_cast<void*>(GetProcAddress(module, "QueryInterface")));
    if (!query) {
        *error = path + " does not export QueryInterface";
        return nullptr;
    }
    const LobbyInterface* lobby = query();
    if (!lobby || !lobby->RunLobby) *error = "QueryInterface of " + path + " returned no RunLobby";
    return lobby && lobby->RunLobby ? lobby : nullptr;
}

#else

// On Linux the stand-in library already gives the module the stand-in clock.
const LobbyInterface* LoadModule(const std::string& path, std::string* error) {
    // A bare file name would be searched on the library path, not here.
    std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void* module = dlopen(file.c_str(), RTLD_NOW);
    if (!module) {
        const char* why = dlerror();
        *error = "cannot load " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    QueryInterfaceFn query = reinterpret_cast<QueryInterfaceFn>(dlsym(module, "QueryInterface"));
    if (!query) {
        *error = path + " does not export QueryInterface";
        return nullptr;
    }
    const LobbyInterface* lobby = query();
    if (!lobby || !lobby->RunLobby) *error = "QueryInterface of " + path + " returned no RunLobby";
    return lobby && lobby->RunLobby ? lobby : nullptr;
}

#endif

} // namespace qvhost
