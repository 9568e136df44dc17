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

int OsReadMachineString(const char* keyPath, const char* valueName, char* buf, int size) {
    if (size <= 0) return 0;
    buf[0] = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD type = 0, bytes = (DWORD)(size - 1);
    LONG rc = RegQueryValueExA(key, valueName, nullptr, &type, (BYTE*)buf, &bytes);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        buf[0] = 0;
        return 0;
    }
    buf[bytes < (DWORD)size ? bytes : (DWORD)size - 1] = 0;
    return 1;
}

int OsStartProcess(const char* commandLine) {
    char line[1024];
    int n = 0;
    while (n < (int)sizeof line - 1 && commandLine[n]) {
        line[n] = commandLine[n];
        ++n;
    }
    line[n] = 0;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
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
