// qvhost: the stand-in game host. Loads the lobby module, runs one lobby visit
// scripted by a scenario file and checks the scenario's expectations.
//
//   qvhost [--module PATH] [--print [--calls]] SCENARIO.scn
//
// Exit code: 0 when every expectation held, 1 when one failed or the visit
// never ended, 2 for a bad command line, scenario line or module.
#include <cstdio>
#include <cstring>

#include "Scenario.h"

#if defined(_WIN32)
#include <windows.h>
#endif

static void Usage() {
    std::fprintf(stderr, "usage: qvhost [--module PATH] [--print [--calls]] SCENARIO.scn\n"
                         "  --module PATH  the lobby module (default: next to qvhost)\n"
                         "  --print        print the screen, the result, the launch record and the calls\n"
                         "  --calls        with --print: also every call of every library, in order\n");
}

int main(int argc, char** argv) {
#if defined(_WIN32)
    SetConsoleOutputCP(CP_UTF8);
#endif
    qvhost::Options options;
    options.modulePath = qvhost::DefaultModulePath(argv[0]);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--module") == 0 && i + 1 < argc) {
            options.modulePath = argv[++i];
        } else if (std::strcmp(argv[i], "--print") == 0) {
            options.print = true;
        } else if (std::strcmp(argv[i], "--calls") == 0) {
            options.printCalls = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage();
            return 0;
        } else if (argv[i][0] == '-' || !options.scenarioPath.empty()) {
            Usage();
            return 2;
        } else {
            options.scenarioPath = argv[i];
        }
    }
    if (options.scenarioPath.empty() || (options.printCalls && !options.print)) {
        Usage();
        return 2;
    }
    std::string error;
    const LobbyInterface* lobby = qvhost::LoadModule(options.modulePath, &error);
    if (!lobby) {
        std::fprintf(stderr, "qvhost: %s\n", error.c_str());
        return 2;
    }
    return qvhost::RunScenario(options, lobby);
}
