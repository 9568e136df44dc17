// A chat server of our own for tests and `make live`: the system's ngircd on
// 127.0.0.1 at a free port, with a configuration written into a folder,
// started in the foreground and stopped by its process id.
#pragma once

#include <string>
#include <sys/types.h>

namespace net {

struct Server {
    pid_t pid = -1;
    int port = 0;
    std::string dir;
};
// Writes DIR/ngircd.conf and DIR/motd.txt (the message of the day, its lines
// separated by '\n'), starts the server (its output in DIR/ngircd.log) and
// waits until it takes connections. The channels "Trade" and "Help" always
// exist; others come and go with their users. False with *error.
bool StartServer(const std::string& dir, const std::string& motd, Server* server, std::string* error);
// Ends the server by its process id (SIGTERM, SIGKILL after 3 s) and waits for it.
void StopServer(Server* server);
// Whether the server program is installed.
bool ServerInstalled();

} // namespace net
