// Windows tests only: the test's own web browser. html_recorder.exe (built next
// to the test programs) is registered in the Wine prefix's machine registry as
// the ".html" handler, so a module that opens a link through the registry and
// CreateProcessA starts it, and it records the exact command line it was given.
#pragma once

#if defined(_WIN32)

#include <string>
#include <vector>

namespace lobbytest {

struct RecordingBrowser {
    static constexpr const char* kClass = "QvMultiTest.Page";
    // The registered open command: the recorder's quoted path and one option.
    std::string command;
    // The file the recorder appends to (named to it by the environment, which
    // started programs inherit); one per test process.
    std::string log;

    // Registers the handler (the same values for every test, so tests may run
    // side by side) and starts an empty log.
    RecordingBrowser();
    // Deletes the log; the handler stays registered in the run's prefix.
    ~RecordingBrowser();

    // The command lines recorded so far, after waiting up to timeoutMs of real
    // time for at least count of them.
    std::vector<std::string> WaitFor(size_t count, int timeoutMs = 10000) const;
};

} // namespace lobbytest

#endif
