// qvhost: the stand-in game host. Loads the lobby module, runs one lobby visit
// scripted by a scenario file and checks the scenario's expectations.
//
//   qvhost [--module PATH] [--print [--calls]] [--png DIR] [--art DIR] [--overlay] [--own-temp] SCENARIO.scn
//   qvhost [--module PATH] [--print] --window [--crowd N] [--seed N] [--fps N] [--art DIR] [SCENARIO.scn]
//   either of them with --irc HOST:PORT --nick NAME [--character FILE]: against a real chat server
//
// Exit code: 0 when every expectation held, 1 when one failed or the visit
// never ended, 2 for a bad command line, scenario line or module.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Scenario.h"

#if defined(_WIN32)
#include <windows.h>
#endif

static void Usage() {
    std::fprintf(
        stderr,
        "usage: qvhost [--module PATH] [--print [--calls]] [--png DIR] [--art DIR] [--overlay] [--own-temp]\n"
        "              SCENARIO.scn\n"
        "       qvhost [--module PATH] [--print] --window [--crowd N] [--seed N] [--fps N] [--art DIR]\n"
        "              [SCENARIO.scn]\n"
        "  --module PATH  the lobby module (default: next to qvhost)\n"
        "  --print        print the screen, the result, the launch record and the calls\n"
        "  --calls        with --print: also every call of every library, in order\n"
        "  --png DIR      pictures: DIR/<scenario>-<line>.png at show lines, DIR/NAME.png at\n"
        "                 picture lines, DIR/<scenario>-end.png after the last step\n"
        "  --art DIR      the game's images by file stem, drawn instead of labelled frames\n"
        "  --overlay      outline hot spots, clickable areas and timers\n"
        "  --window       the visit in an 800x600 window that a person uses\n"
        "  --crowd N      N simulated users in the window's channel (default 40 without a\n"
        "                 scenario, none with one)\n"
        "  --seed N       the crowd's seed (default 1)\n"
        "  --fps N        window frames per second (default 60)\n"
        "  --irc HOST:PORT  a real chat server instead of the scripted chat service (Linux)\n"
        "  --nick NAME    with --irc: the player's nick, which is its account name\n"
        "  --character FILE  with --irc: the player's character (name, realm, class, level,\n"
        "                 status, lookA, lookB lines)\n"
        "  --own-temp     a temporary folder of its own for the visit, removed when qvhost ends\n"
        "%s",
        qvhost::RendererAvailable() ? ""
                                    : "  (this build has no renderer: --png, --art, --overlay and "
                                      "--window are Linux only)\n");
}

// A whole decimal number within [low, high] (false otherwise).
static bool NumberArg(const char* text, long low, long high, long* value) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < low || v > high) return false;
    *value = v;
    return true;
}

int main(int argc, char** argv) {
#if defined(_WIN32)
    SetConsoleOutputCP(CP_UTF8);
#endif
    qvhost::Options options;
    options.modulePath = qvhost::DefaultModulePath(argv[0]);
    bool ownTemp = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--module") == 0 && i + 1 < argc) {
            options.modulePath = argv[++i];
        } else if (std::strcmp(argv[i], "--print") == 0) {
            options.print = true;
        } else if (std::strcmp(argv[i], "--calls") == 0) {
            options.printCalls = true;
        } else if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            options.pngDir = argv[++i];
        } else if (std::strcmp(argv[i], "--art") == 0 && i + 1 < argc) {
            options.artDir = argv[++i];
        } else if (std::strcmp(argv[i], "--overlay") == 0) {
            options.overlay = true;
        } else if (std::strcmp(argv[i], "--window") == 0) {
            options.window = true;
        } else if (std::strcmp(argv[i], "--own-temp") == 0) {
            ownTemp = true;
        } else if (std::strcmp(argv[i], "--crowd") == 0 || std::strcmp(argv[i], "--seed") == 0 ||
                   std::strcmp(argv[i], "--fps") == 0) {
            long v = 0;
            bool crowd = argv[i][2] == 'c', seed = argv[i][2] == 's';
            if (i + 1 >= argc || !NumberArg(argv[i + 1], crowd ? 0 : 1,
                                            crowd  ? 1000
                                            : seed ? 0x7fffffff
                                                   : 240,
                                            &v)) {
                std::fprintf(stderr, "qvhost: %s takes a number (crowd 0-1000, seed 1 and up, fps 1-240)\n",
                             argv[i]);
                return 2;
            }
            ++i;
            if (crowd)
                options.crowd = (int)v;
            else if (seed)
                options.seed = (uint32_t)v;
            else
                options.fps = (int)v;
        } else if ((std::strcmp(argv[i], "--irc") == 0 || std::strcmp(argv[i], "--nick") == 0 ||
                    std::strcmp(argv[i], "--character") == 0) &&
                   i + 1 < argc) {
            std::string* field = argv[i][2] == 'i'   ? &options.irc
                                 : argv[i][2] == 'n' ? &options.nick
                                                     : &options.characterFile;
            *field = argv[++i];
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
    if ((options.scenarioPath.empty() && !options.window) || (options.printCalls && !options.print) ||
        (options.irc.empty() && (!options.nick.empty() || !options.characterFile.empty()))) {
        Usage();
        return 2;
    }
    if (!qvhost::RendererAvailable() &&
        (options.window || !options.pngDir.empty() || !options.artDir.empty() || options.overlay)) {
        std::fprintf(stderr,
                     "qvhost: --png, --art, --overlay and --window are not available in this build: the "
                     "Windows build has no renderer (use the Linux build)\n");
        return 2;
    }
    std::string error;
    if (ownTemp && !qvhost::UseOwnTempFolder(&error)) {
        std::fprintf(stderr, "qvhost: %s\n", error.c_str());
        return 2;
    }
    const LobbyInterface* lobby = qvhost::LoadModule(options.modulePath, &error);
    if (!lobby) {
        std::fprintf(stderr, "qvhost: %s\n", qvhost::Printable(error).c_str());
        return 2;
    }
    return qvhost::RunScenario(options, lobby);
}
