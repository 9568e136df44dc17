// The local chat server (IrcServer.h).
//
// State: none; a Server names the process and its port.
#include "IrcServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace net {

namespace {

const char* const kProgram = "/usr/sbin/ngircd";

// A port nothing listens on now: the system's choice for a socket bound to port 0.
int FreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    int port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0)
        port = ntohs(a.sin_port);
    if (fd >= 0) close(fd);
    return port;
}

bool Listening(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons((uint16_t)port);
    bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (fd >= 0) close(fd);
    return ok;
}

// Loopback only; no lookups, no penalties for fast clients, nicks up to 30
// characters, any number of clients and channels.
std::string Configuration(const std::string& dir, int port) {
    return "[Global]\n"
           "Name = qvmulti.local\n"
           "Info = QvMulti chat server\n"
           "AdminInfo1 = QvMulti stand-in host\n"
           "AdminInfo2 = loopback only\n"
           "AdminEMail = nobody@localhost\n"
           "Listen = 127.0.0.1\n"
           "Ports = " +
           std::to_string(port) +
           "\n"
           "MotdFile = " +
           dir +
           "/motd.txt\n"
           "[Limits]\n"
           "MaxConnectionsIP = 0\n"
           "MaxJoins = 0\n"
           "MaxNickLength = 30\n"
           "MaxPenaltyTime = 0\n"
           "MaxListSize = 256\n"
           "PingTimeout = 120\n"
           "PongTimeout = 20\n"
           "[Options]\n"
           "DNS = no\n"
           "Ident = no\n"
           "PAM = no\n"
           "[Channel]\n"
           "Name = #Trade\n"
           "Topic = Trading\n"
           "Modes = tnP\n"
           "[Channel]\n"
           "Name = #Help\n"
           "Topic = Questions and answers\n"
           "Modes = tnP\n";
}

} // namespace

bool ServerInstalled() {
    return access(kProgram, X_OK) == 0;
}

bool StartServer(const std::string& dir, const std::string& motd, Server* server, std::string* error) {
    mkdir(dir.c_str(), 0755);
    chmod(dir.c_str(), 0755); // run by root, the server reads its files as another user
    int port = FreePort();
    std::string conf = dir + "/ngircd.conf", log = dir + "/ngircd.log";
    std::ofstream(dir + "/motd.txt") << motd << "\n";
    std::ofstream(conf) << Configuration(dir, port);
    if (!ServerInstalled() || port == 0) {
        *error = port == 0 ? "no free port" : std::string(kProgram) + " is not installed (tools/setup.sh)";
        return false;
    }
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        execl(kProgram, kProgram, "-n", "-f", conf.c_str(), (char*)nullptr);
        _exit(127);
    }
    server->pid = pid;
    server->port = port;
    server->dir = dir;
    for (int i = 0; i < 100; ++i) {
        if (Listening(port)) return true;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    *error = "the server did not start (see " + log + ")";
    StopServer(server);
    return false;
}

void StopServer(Server* server) {
    if (server->pid <= 0) return;
    kill(server->pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 60; ++i) {
        if (waitpid(server->pid, &status, WNOHANG) == server->pid) {
            server->pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(server->pid, SIGKILL);
    waitpid(server->pid, &status, 0);
    server->pid = -1;
}

} // namespace net
