// The OS layer on Windows (the i686 DLL build), through the system's own calls.
#include "Os.h"

#include <windows.h>

#include <new>

// The library's load entry point only reports success.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

uint32_t OsTickCount() {
    return GetTickCount();
}

struct OsLockRec {
    CRITICAL_SECTION section;
};

OsLock OsLockCreate() {
    OsLock lock = new (std::nothrow) OsLockRec;
    if (lock) InitializeCriticalSection(&lock->section);
    return lock;
}
void OsLockEnter(OsLock lock) {
    EnterCriticalSection(&lock->section);
}
void OsLockLeave(OsLock lock) {
    LeaveCriticalSection(&lock->section);
}
void OsLockDelete(OsLock lock) {
    if (!lock) return;
    DeleteCriticalSection(&lock->section);
    delete lock;
}

int OsWaitZero(void* handle) {
    return WaitForSingleObject((HANDLE)handle, 0) == WAIT_OBJECT_0;
}

// HKEY_LOCAL_MACHINE with KEY_READ; the value is read with the buffer's whole
// size and must end within it.
int OsReadMachineString(const char* keyPath, const char* valueName, char* buf, int size) {
    if (size <= 0) return 0;
    buf[0] = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD type = 0, bytes = (DWORD)size;
    LONG rc = RegQueryValueExA(key, valueName, nullptr, &type, (BYTE*)buf, &bytes);
    if (rc != ERROR_SUCCESS) {
        RegCloseKey(key);
        buf[0] = 0;
        return 0;
    }
    int closed = RegCloseKey(key) == ERROR_SUCCESS;
    // Only text values are of use, and one that fills the buffer must hold its terminator.
    if (bytes < (DWORD)size) buf[bytes] = 0;
    int terminated = bytes < (DWORD)size || buf[size - 1] == 0;
    if (!closed || !terminated || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        buf[0] = 0;
        return 0;
    }
    return 1;
}

static_assert(KEY_READ == 0x20019 && NORMAL_PRIORITY_CLASS == 0x20, "registry access and creation flags");
static_assert(sizeof(STARTUPINFOA) == 68, "start-up record");

int OsStartProcess(const char* command, const char* argument) {
    char line[1024];
    int n = 0;
    for (const char* p = command; *p; ++p) {
        if (n >= (int)sizeof line - 1) return 0;
        line[n++] = *p;
    }
    if (n >= (int)sizeof line - 1) return 0;
    line[n++] = ' ';
    for (const char* p = argument; *p; ++p) {
        if (n >= (int)sizeof line - 1) return 0;
        line[n++] = *p;
    }
    line[n] = 0;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si,
                        &pi))
        return 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 1;
}

void OsRaiseDesktop() {
    SetForegroundWindow(GetDesktopWindow());
}

int OsTempPath(char* buf, int size) {
    DWORD n = GetTempPathA((DWORD)size, buf);
    return n < (DWORD)size ? (int)n : 0; // a larger result is the size it would need
}

int OsTempFileName(const char* dir, const char* prefix, char* name, int size) {
    if (size < MAX_PATH) return 0;
    return GetTempFileNameA(dir, prefix, 0, name) != 0;
}

int OsDeleteFile(const char* path) {
    return DeleteFileA(path) != 0;
}

uint64_t OsUnixToLocalFileTime(uint32_t unixSeconds) {
    uint64_t utc = ((uint64_t)unixSeconds + 11644473600ull) * 10000000ull;
    FILETIME ft{(DWORD)utc, (DWORD)(utc >> 32)}, local{};
    FileTimeToLocalFileTime(&ft, &local);
    return ((uint64_t)local.dwHighDateTime << 32) | local.dwLowDateTime;
}

int OsFormatLongDate(uint64_t localFileTime, Unicode* out, int size) {
    FILETIME ft{(DWORD)localFileTime, (DWORD)(localFileTime >> 32)};
    SYSTEMTIME st{};
    FileTimeToSystemTime(&ft, &st);
    char text[64];
    int n = GetDateFormatA(0x400, DATE_LONGDATE, &st, nullptr, text, (int)sizeof text);
    if (n <= 0) text[0] = 0;
    wchar_t wide[256];
    int w = MultiByteToWideChar(GetACP(), MB_PRECOMPOSED, text, -1, wide, 256);
    if (w <= 0) wide[0] = 0;
    wide[255] = 0;
    int i = 0;
    for (; i < size - 1 && wide[i]; ++i)
        out[i].ch = (uint16_t)wide[i];
    if (size > 0) out[i].ch = 0;
    return i;
}
