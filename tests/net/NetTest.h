// Helpers for lobby visits against a real chat server: a server of the test's
// own, a player's launch record and connection, and a script of steps that
// each wait for what the player would see before acting, run from the
// stand-in's frame hook while the stand-in clock follows real time.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "../../host/net/IrcServer.h"
#include "../../host/net/NetChat.h"
#include "../support/LobbyTest.h"

namespace nettest {

// The server of one test, in a folder of its own under the build folder.
struct LocalServer {
    net::Server server;
    std::string error;
    explicit LocalServer(const std::string& motd = "Welcome to the QvMulti test server");
    ~LocalServer();
    bool Up() const { return server.pid > 0; }
};

// A player: nick (the account), a character of a class.
net::Options Player(int port, const std::string& nick, const std::string& character, int classIndex);
// The launch record of that player on the network service (channel "" for the character layout).
void FillRecord(LaunchRecord* record, const net::Options& player, const char* channel);

class Script {
  public:
    // A step acts once ready() holds (at once without a test).
    void Then(const std::string& what, std::function<bool()> ready, std::function<void()> act = {});
    void Do(const std::string& what, std::function<void()> act);
    // Runs the visit; the steps must be done within timeoutMs, else the visit is
    // ended by force and failure names the step that waited.
    uint32_t Run(LaunchRecord* record, int timeoutMs);
    std::string failure;

  private:
    struct Step {
        std::string what;
        std::function<bool()> ready;
        std::function<void()> act;
    };
    std::vector<Step> steps_;
};

// What the screen shows.
bool PaneHas(const std::string& part); // a pane line holds the text
// Immediate input.
void Say(const std::string& line);
void Click(int textId);

// A child process that runs body and exits with its result (0 success); Join
// waits for it and returns that result, or -1 when it did not exit normally.
int Fork(const std::function<int()>& body);
int Join(int pid);
bool Ended(int pid); // the child has exited (it is not reaped)
// A one-shot signal between the processes of a test (a pipe).
struct Signal {
    int fds[2] = {-1, -1};
    Signal();
    ~Signal();
    void Raise();
    bool Await(int timeoutMs);
};

} // namespace nettest
