#include "Platform.h"

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

#else

testing::AssertionResult InTimeZone(const char* tz) {
    if (setenv("TZ", tz, 1) != 0) return testing::AssertionFailure() << "cannot set TZ=" << tz;
    tzset();
    return testing::AssertionSuccess();
}

#endif

} // namespace lobbytest
