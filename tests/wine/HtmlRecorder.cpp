// A stand-in web browser for the Windows tests: appends its whole command line,
// as the system handed it over, and one line feed to the file named by the
// environment variable QV_RECORDER_LOG, then exits with 0 (1 when it could not).
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main() {
    const char* log = std::getenv("QV_RECORDER_LOG");
    if (!log || !*log) return 1;
    FILE* out = std::fopen(log, "ab");
    if (!out) return 1;
    std::fprintf(out, "%s\n", GetCommandLineA());
    return std::fclose(out) == 0 ? 0 : 1;
}
