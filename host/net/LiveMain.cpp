// qvlive (`make live`): two players on one machine. Starts a chat server of
// its own on 127.0.0.1 (configuration in DIR), optionally a crowd of scripted
// clients, and two lobby windows side by side, players "Arin" and "Mira";
// when both windows are closed (or on Ctrl-C) everything it started is
// stopped by its process id.
//
//   qvlive --qvhost PATH --module PATH --characters DIR --dir DIR [--crowd N]
//
// State: the children's process ids and the stop flag of the signal handler.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "IrcCrowd.h"
#include "IrcServer.h"

namespace {

volatile sig_atomic_t interrupted = 0;

void OnSignal(int) {
    interrupted = 1;
}

pid_t StartWindow(const std::string& qvhost, const std::string& module, int port, const char* nick,
                  const std::string& character, const char* position) {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("QV_WINDOW_POS", position, 1);
        std::string address = "127.0.0.1:" + std::to_string(port);
        execl(qvhost.c_str(), qvhost.c_str(), "--module", module.c_str(), "--window", "--irc",
              address.c_str(), "--nick", nick, "--character", character.c_str(), (char*)nullptr);
        _exit(127);
    }
    return pid;
}

} // namespace

int main(int argc, char** argv) {
    std::string qvhost, module, characters, dir;
    int crowd = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string key = argv[i];
        if (key == "--qvhost")
            qvhost = argv[i + 1];
        else if (key == "--module")
            module = argv[i + 1];
        else if (key == "--characters")
            characters = argv[i + 1];
        else if (key == "--dir")
            dir = argv[i + 1];
        else if (key == "--crowd")
            crowd = atoi(argv[i + 1]);
    }
    if (qvhost.empty() || module.empty() || characters.empty() || dir.empty() || crowd < 0 ||
        crowd > net::kCrowdMax) {
        fprintf(stderr,
                "usage: qvlive --qvhost PATH --module PATH --characters DIR --dir DIR [--crowd 0-%d]\n",
                net::kCrowdMax);
        return 2;
    }
    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);
    net::Server server;
    std::string error;
    if (!net::StartServer(dir, "Welcome to the QvMulti chat server.\nTwo players on one machine: have fun!",
                          &server, &error)) {
        fprintf(stderr, "qvlive: %s\n", error.c_str());
        return 1;
    }
    printf("qvlive: chat server on 127.0.0.1:%d (pid %d, configuration in %s)\n", server.port,
           (int)server.pid, dir.c_str());
    fflush(stdout);
    if (crowd > 0) {
        net::CrowdOptions o;
        o.port = server.port;
        o.clients = crowd;
        o.joinSpacingMs = 100;
        o.talkPeriodMs = 20000;
        o.lifetimeMs = 60000;
        net::StartCrowd(o);
    }
    pid_t windows[2];
    windows[0] = StartWindow(qvhost, module, server.port, "Arin", characters + "/arin.chr", "0,40");
    std::this_thread::sleep_for(std::chrono::seconds(1)); // Arin first: the channel's operator
    windows[1] = StartWindow(qvhost, module, server.port, "Mira", characters + "/mira.chr", "810,40");
    int open = 2;
    while (open > 0) {
        for (pid_t& pid : windows) {
            int status = 0;
            if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                --open;
            }
        }
        if (interrupted)
            for (pid_t pid : windows)
                if (pid > 0) kill(pid, SIGTERM);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    net::StopCrowd();
    net::StopServer(&server);
    printf("qvlive: stopped\n");
    return 0;
}
