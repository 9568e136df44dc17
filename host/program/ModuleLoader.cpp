// Loading the lobby module as the game's host does: the shared library, its
// only export QueryInterface, and the operation table it returns.
//
// On Windows the module's import of the system tick count is redirected to the
// stand-in clock (see PatchTickCount).
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

// The stand-in host owns the clock: scenarios let minutes pass (join timeouts,
// chat ticks) without waiting, so the module must read the stand-in's tick
// count instead of the system's.
static DWORD WINAPI StandInTickCount() {
    return standin::Now();
}

// Replaces the module's import address table entry for kernel32's
// GetTickCount with StandInTickCount; returns how many entries were patched.
static int PatchTickCount(HMODULE module) {
    BYTE* base = reinterpret_cast<BYTE*>(module);
    IMAGE_DOS_HEADER* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return 0;
    IMAGE_NT_HEADERS* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return 0;
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return 0;
    // Without a name table (a bound import) the entry is recognised by the address it holds.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC real = kernel ? GetProcAddress(kernel, "GetTickCount") : nullptr;
    int patched = 0;
    for (IMAGE_IMPORT_DESCRIPTOR* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name != 0; ++imp) {
        if (_stricmp(reinterpret_cast<const char*>(base + imp->Name), "kernel32.dll") != 0) continue;
        IMAGE_THUNK_DATA* iat = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        IMAGE_THUNK_DATA* names = imp->OriginalFirstThunk
                                      ? reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk)
                                      : nullptr;
        for (size_t i = 0; iat[i].u1.Function != 0; ++i) {
            bool match = false;
            if (names) {
                if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
                const IMAGE_IMPORT_BY_NAME* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
                match = std::strcmp(reinterpret_cast<const char*>(byName->Name), "GetTickCount") == 0;
            } else {
                match = real && iat[i].u1.Function == (DWORD)(uintptr_t)real;
            }
            if (!match) continue;
            DWORD old = 0;
            if (!VirtualProtect(&iat[i].u1.Function, sizeof iat[i].u1.Function, PAGE_READWRITE, &old))
                continue;
            iat[i].u1.Function = (DWORD)(uintptr_t)&StandInTickCount;
            VirtualProtect(&iat[i].u1.Function, sizeof iat[i].u1.Function, old, &old);
            ++patched;
        }
    }
    return patched;
}

const LobbyInterface* LoadModule(const std::string& path, std::string* error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        *error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    if (PatchTickCount(module) == 0)
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
