// What the Linux and the Windows test programs see differently of the system:
// the exit code of a fatal report, and how a test gets its time zone and locale.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace lobbytest {

// The exit code of a process ended by a fatal error report (exit code -1): the
// system reports -1 on Windows, while POSIX keeps its low 8 bits.
#if defined(_WIN32)
constexpr int kFatalExitCode = -1;
#else
constexpr int kFatalExitCode = 255;
#endif

// Makes tz (a TZ value such as "UTC" or "EST5") the local time zone for the rest
// of the test. On POSIX it sets TZ. Under Wine the zone is the one the process
// started with: the Wine runner starts every test in UTC, and the tests that
// need another zone get it from tests/wine/test-properties.cmake; a test
// started in another zone fails here instead of checking the wrong dates.
testing::AssertionResult InTimeZone(const char* tz);

// Makes the user's locale the default one for the rest of the test: on POSIX
// the C locale (LC_ALL=C); under Wine US English, the locale the runner starts
// every test in unless tests/wine/test-properties.cmake says otherwise.
testing::AssertionResult InDefaultLocale();

// A long date of the default locale as the OS layer writes it on both systems:
// the day with only the digits it needs ("Friday, January 1, 1971").
std::string UsLongDate(const char* weekday, const char* month, int day, int year);

// Makes a new empty directory in the temporary directory (the program's own
// once it has one), its name starting with prefix; returns its path ("" when it
// could not be made).
std::string MakeTempDirectory(const char* prefix);
// Makes dir the temporary directory the OS layer finds (TMPDIR on POSIX, TMP
// under Windows) until called with null, which brings back the one the program
// started with (its own, see StartProgramTempFolder).
void SetTempDirectory(const char* dir);

// Every test program runs with a temporary folder of its own (TMPDIR on POSIX,
// TMP and TEMP under Windows), made when the program starts and removed with
// all it holds when the program ends (tests/support/TempFolder.cpp, linked into
// each test program, calls these two). Returns the folder, "" when none could
// be made (the system's is used then).
std::string StartProgramTempFolder();
void EndProgramTempFolder();

#if defined(_WIN32)
// Whether the user's default locale is lcid (0x0407: German, Germany). Under
// Wine it comes from LC_ALL when the process starts (see InTimeZone).
testing::AssertionResult InUserLocale(unsigned lcid);
#endif

} // namespace lobbytest
