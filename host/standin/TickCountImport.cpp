// The module's tick count on Windows: the stand-in host owns the clock, so
// scenarios and tests let minutes pass (join timeouts, chat ticks) without
// waiting. The host program redirects the loaded module's import of the system
// tick count to Now(); the test programs, which hold the module's code
// themselves, redirect their own.
//
// State: none.
#if defined(_WIN32)

#include <windows.h>

#include <cstring>

#include "StandIn.h"

namespace {

DWORD WINAPI StandInTickCount() {
    return standin::Now();
}

} // namespace

namespace standin {

// Rewrites the image's import address table entries for kernel32's
// GetTickCount; an image that is not a loaded PE image changes nothing.
int RedirectTickCount(void* image) {
    BYTE* base = reinterpret_cast<BYTE*>(image);
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

} // namespace standin

#endif
