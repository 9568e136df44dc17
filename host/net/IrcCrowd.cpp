// The crowd of scripted clients (IrcCrowd.h): one thread that drives every
// client's socket with poll.
//
// State: the options, the clients, the counts and the thread; the counts are
// read by other threads under the crowd's mutex.
#include "IrcCrowd.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "../standin/Xorshift.h"
#include "IrcLine.h"
#include "NetChat.h"

namespace net {

namespace {

struct Client {
    int fd = -1;
    std::string nick, description;
    LineBuffer buffer;
    bool inChannel = false;
    uint64_t nextTalk = 0, leaveAt = 0;
    int serial = 0;
};

CrowdOptions options;
std::vector<Client> clients;
std::mutex countsMutex;
CrowdCounts counts;
std::thread runner;
std::atomic<bool> stop{false};
standin::Xorshift32 crowdRandom;
int nameSerial = 0;

const char* const kSyllables[] = {"ka", "ri", "mo", "ve",  "ta", "lin", "dor", "sa",  "el", "th",
                                  "ar", "na", "zu", "bel", "or", "wyn", "ia",  "gar", "es", "qu"};

uint32_t Below(uint32_t n) {
    return crowdRandom.Below(n);
}

uint64_t Now() {
    using namespace std::chrono;
    return (uint64_t)duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string Word() {
    std::string w = std::string(kSyllables[Below(20)]) + kSyllables[Below(20)];
    w[0] = (char)(w[0] - 'a' + 'A');
    return w;
}

void SendLine(Client& c, const std::string& line) {
    std::string out = line + "\r\n";
    if (c.fd >= 0 && send(c.fd, out.data(), out.size(), MSG_NOSIGNAL) != (ssize_t)out.size()) {
        close(c.fd);
        c.fd = -1;
        std::lock_guard<std::mutex> lock(countsMutex);
        ++counts.failed;
    }
}

int Dial() {
    addrinfo hints{}, *found = nullptr;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    if (getaddrinfo(options.host.c_str(), std::to_string(options.port).c_str(), &hints, &found) != 0)
        return -1;
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd >= 0 && connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
        close(fd);
        fd = -1;
    }
    freeaddrinfo(found);
    return fd;
}

void Connect(Client& c) {
    c.nick = Word() + std::to_string(++nameSerial);
    Character character;
    character.name = Word();
    character.classIndex = (int)Below(7);
    character.level = 1 + (int)Below(90);
    character.status = (uint16_t)(Below(14) << 8);
    for (int i = 0; i < 11; ++i) {
        character.lookA[i] = (uint8_t)(1 + Below(8));
        character.lookB[i] = (uint8_t)(1 + Below(20));
    }
    c.description = "\x01QVDESC " + HexOf(DescriptionOf(character)) + "\x01";
    c.fd = Dial();
    c.inChannel = false;
    c.serial = 0;
    if (c.fd < 0) {
        std::lock_guard<std::mutex> lock(countsMutex);
        ++counts.failed;
        return;
    }
    SendLine(c, "NICK " + c.nick);
    SendLine(c, "USER " + c.nick + " 0 * :crowd");
}

void Leave(Client& c) {
    SendLine(c, "QUIT :bye");
    if (c.fd >= 0) close(c.fd);
    c.fd = -1;
}

void Handle(Client& c, const char* line, uint64_t now) {
    Message m;
    if (!ParseMessage(line, &m)) return;
    std::string command = m.command;
    if (command == "PING") return SendLine(c, std::string("PONG :") + m.Param(m.count - 1));
    if (command == "001") return SendLine(c, "JOIN #" + options.channel);
    if (command == "433") {
        c.nick += "_";
        return SendLine(c, "NICK " + c.nick);
    }
    char nick[64];
    m.Nick(nick, sizeof nick);
    if (command == "JOIN" && Lower(nick) == Lower(c.nick) && !c.inChannel) {
        c.inChannel = true;
        c.nextTalk = now + Below((uint32_t)options.talkPeriodMs + 1);
        if (options.lifetimeMs > 0)
            c.leaveAt = now + options.lifetimeMs / 2 + Below((uint32_t)options.lifetimeMs);
        SendLine(c, "PRIVMSG #" + options.channel + " :" + c.description);
        std::lock_guard<std::mutex> lock(countsMutex);
        ++counts.joined;
        return;
    }
    // A newcomer's description: ours goes back to it.
    if (command == "PRIVMSG" && strncmp(m.Param(1), "\x01QVDESC", 7) == 0 && m.Param(0)[0] == '#')
        SendLine(c, std::string("NOTICE ") + nick + " :" + c.description);
}

void Talk(Client& c, uint64_t now, uint64_t start) {
    if (!c.inChannel || now < c.nextTalk) return;
    c.nextTalk = now + (uint64_t)options.talkPeriodMs / 2 + Below((uint32_t)options.talkPeriodMs + 1);
    if (options.talkForMs > 0 && now - start >= (uint64_t)options.talkForMs) return;
    std::string text = std::string(kCrowdTalk[Below(kCrowdTalkCount)]) + " (" + c.nick + "-" +
                       std::to_string(++c.serial) + ")";
    SendLine(c, "PRIVMSG #" + options.channel + " :" + text);
    if (c.fd < 0) return;
    std::lock_guard<std::mutex> lock(countsMutex);
    ++counts.sent;
}

void Run() {
    uint64_t start = Now(), nextJoin = start;
    size_t next = 0;
    char bytes[4096], line[kMaxLine];
    while (!stop && Now() - start < (uint64_t)options.runForMs) {
        uint64_t now = Now();
        if (next < clients.size() && now >= nextJoin) {
            Connect(clients[next++]);
            nextJoin = now + (uint64_t)options.joinSpacingMs;
        }
        std::vector<pollfd> fds;
        std::vector<size_t> owners;
        for (size_t i = 0; i < next; ++i)
            if (clients[i].fd >= 0) {
                fds.push_back(pollfd{clients[i].fd, POLLIN, 0});
                owners.push_back(i);
            }
        if (poll(fds.data(), fds.size(), 10) < 0) break;
        now = Now();
        for (size_t k = 0; k < fds.size(); ++k) {
            Client& c = clients[owners[k]];
            if (fds[k].revents & (POLLIN | POLLHUP | POLLERR)) {
                ssize_t n = recv(c.fd, bytes, sizeof bytes, 0);
                if (n <= 0) {
                    close(c.fd);
                    c.fd = -1;
                    std::lock_guard<std::mutex> lock(countsMutex);
                    ++counts.failed;
                    continue;
                }
                c.buffer.Append(bytes, (size_t)n);
                while (c.buffer.Take(line, sizeof line))
                    Handle(c, line, now);
            }
            Talk(c, now, start);
            if (c.leaveAt && now >= c.leaveAt) { // another takes its place
                Leave(c);
                c.leaveAt = 0;
                Connect(c);
            }
        }
    }
    for (Client& c : clients)
        Leave(c);
}

} // namespace

const char* const kCrowdTalk[kCrowdTalkCount] = {"anyone up for a crypt run?",
                                                 "hi all",
                                                 "lol",
                                                 "selling a spare shield",
                                                 "which act is the best for levelling?",
                                                 "brb",
                                                 "gg everyone",
                                                 "need two more for the tower",
                                                 "good morning lobby",
                                                 "that boss took forever"};

void StartCrowd(const CrowdOptions& o) {
    StopCrowd();
    options = o;
    if (options.clients > kCrowdMax) options.clients = kCrowdMax;
    if (options.clients < 0) options.clients = 0;
    if (options.talkPeriodMs < 1) options.talkPeriodMs = 1;
    crowdRandom.Seed(o.seed);
    nameSerial = 0;
    clients.assign((size_t)options.clients, Client{});
    {
        std::lock_guard<std::mutex> lock(countsMutex);
        counts = CrowdCounts{};
    }
    stop = false;
    runner = std::thread(Run);
}

void StopCrowd() {
    stop = true;
    if (runner.joinable()) runner.join();
    clients.clear();
}

CrowdCounts Counts() {
    std::lock_guard<std::mutex> lock(countsMutex);
    return counts;
}

} // namespace net
