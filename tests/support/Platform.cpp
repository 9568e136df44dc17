#include "Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace lobbytest {

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

std::string UsLongDate(const char* weekday, const char* month, int day, int year) {
    char text[64];
    std::snprintf(text, sizeof text, "%s, %s %d, %d", weekday, month, day, year);
    return text;
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

std::string UsLongDate(const char* weekday, const char* month, int day, int year) {
    char text[64];
    std::snprintf(text, sizeof text, "%s, %s %02d, %d", weekday, month, day, year);
    return text;
}

#endif

} // namespace lobbytest
