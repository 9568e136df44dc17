#include "Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace lobbytest {

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
    // The system's own TMP, kept from the first change.
    static std::string systemTmp;
    static bool kept = false, hadTmp = false;
    if (!kept) {
        char value[MAX_PATH];
        DWORD n = GetEnvironmentVariableA("TMP", value, MAX_PATH);
        hadTmp = n > 0 && n < MAX_PATH;
        if (hadTmp) systemTmp.assign(value, n);
        kept = true;
    }
    if (dir)
        SetEnvironmentVariableA("TMP", dir);
    else
        SetEnvironmentVariableA("TMP", hadTmp ? systemTmp.c_str() : nullptr);
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
    std::string name = std::string("/tmp/") + prefix + "XXXXXX";
    return mkdtemp(name.data()) ? name : "";
}

void SetTempDirectory(const char* dir) {
    if (dir)
        setenv("TMPDIR", dir, 1);
    else
        unsetenv("TMPDIR");
}

#endif

} // namespace lobbytest
