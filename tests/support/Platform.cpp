#include "Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace lobbytest {

namespace {
// The program's own temporary folder, made before main from another unit's
// static object (hence a function's static), and the process that made it: a
// child forked for a death test shares the folder and must not remove it.
std::string& ProgramTemp() {
    static std::string dir;
    return dir;
}
long programTempOwner = 0;
} // namespace

std::string UsLongDate(const char* weekday, const char* month, int day, int year) {
    char text[64];
    std::snprintf(text, sizeof text, "%s, %s %d, %d", weekday, month, day, year);
    return text;
}

#if defined(_WIN32)

testing::AssertionResult InTimeZone(const char* tz) {
    const char* now = std::getenv("TZ");
    if (now && std::strcmp(now, tz) == 0) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "this test must start with TZ=" << tz << " (it has "
                                       << (now ? now : "none") << "): see tests/wine/test-properties.cmake";
}

testing::AssertionResult InUserLocale(unsigned lcid) {
    unsigned now = (unsigned)GetUserDefaultLCID();
    if (now == lcid) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "this test must start in locale 0x" << std::hex << lcid
                                       << " (it has 0x" << now << "): see tests/wine/test-properties.cmake";
}

testing::AssertionResult InDefaultLocale() {
    return InUserLocale(0x0409);
}

std::string MakeTempDirectory(const char* prefix) {
    static int made = 0;
    char base[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, base);
    if (n == 0 || n >= MAX_PATH) return "";
    std::string dir =
        std::string(base, n) + prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made);
    return CreateDirectoryA(dir.c_str(), nullptr) ? dir : "";
}

void SetTempDirectory(const char* dir) {
    // The TMP the program started with (its own folder once it has one).
    static std::string startTmp;
    static bool kept = false, hadTmp = false;
    if (!kept) {
        char value[MAX_PATH];
        DWORD n = GetEnvironmentVariableA("TMP", value, MAX_PATH);
        hadTmp = n > 0 && n < MAX_PATH;
        if (hadTmp) startTmp.assign(value, n);
        kept = true;
    }
    if (dir)
        SetEnvironmentVariableA("TMP", dir);
    else
        SetEnvironmentVariableA("TMP", hadTmp ? startTmp.c_str() : nullptr);
}

static long ProcessId() {
    return (long)GetCurrentProcessId();
}

// GetTempPath reads TMP first, then TEMP: both name the folder, in the
// process's environment and in the C library's copy of it (which the test
// framework's TempDir reads).
static void UseTempFolder(const std::string& dir) {
    for (const char* name : {"TMP", "TEMP"}) {
        SetEnvironmentVariableA(name, dir.c_str());
        _putenv((std::string(name) + "=" + dir).c_str());
    }
}

#else

testing::AssertionResult InTimeZone(const char* tz) {
    if (setenv("TZ", tz, 1) != 0) return testing::AssertionFailure() << "cannot set TZ=" << tz;
    tzset();
    return testing::AssertionSuccess();
}

testing::AssertionResult InDefaultLocale() {
    if (setenv("LC_ALL", "C", 1) != 0) return testing::AssertionFailure() << "cannot set LC_ALL=C";
    return testing::AssertionSuccess();
}

std::string MakeTempDirectory(const char* prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string name = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
    return mkdtemp(name.data()) ? name : "";
}

void SetTempDirectory(const char* dir) {
    // The TMPDIR the program started with (its own folder once it has one).
    static std::string startTmp;
    static bool kept = false, hadTmp = false;
    if (!kept) {
        const char* value = std::getenv("TMPDIR");
        hadTmp = value != nullptr;
        if (hadTmp) startTmp = value;
        kept = true;
    }
    if (dir)
        setenv("TMPDIR", dir, 1);
    else if (hadTmp)
        setenv("TMPDIR", startTmp.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

static long ProcessId() {
    return (long)getpid();
}

static void UseTempFolder(const std::string& dir) {
    setenv("TMPDIR", dir.c_str(), 1);
}

#endif

std::string StartProgramTempFolder() {
    std::string& dir = ProgramTemp();
    dir = MakeTempDirectory("qvtest");
    if (dir.empty()) return "";
    programTempOwner = ProcessId();
    UseTempFolder(dir);
    return dir;
}

void EndProgramTempFolder() {
    std::string& dir = ProgramTemp();
    if (dir.empty() || ProcessId() != programTempOwner) return;
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    dir.clear();
}

} // namespace lobbytest
