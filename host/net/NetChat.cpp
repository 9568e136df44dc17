// The network chat service's connection (NetChat.h): connecting and
// registering, the thread that reads the connection and hands each line to its
// handler by command, faults, the message of the day for the dated-message
// handlers, and the slot table.
//
// State: the whole service state (NetInternal.h), made once and never freed,
// since the connection's thread may still run while the process exits.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "NetInternal.h"

namespace net::internal {

State& S() {
    static State* state = new State;
    return *state;
}

uint64_t NowMs() {
    using namespace std::chrono;
    return (uint64_t)duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Send(const std::string& line) {
    State& s = S();
    if (!s.connected || s.fd < 0) return;
    std::string out;
    out.reserve(line.size() + 2);
    for (char c : line)
        if (c != '\r' && c != '\n' && c != 0) out.push_back(c);
    if (out.size() > kMaxLineText) out.resize(kMaxLineText);
    out += "\r\n";
    std::lock_guard<std::mutex> lock(s.sendMutex);
    size_t sent = 0;
    while (sent < out.size()) {
        ssize_t n = send(s.fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return; // the reader sees the fault and ends the connection
        sent += (size_t)n;
    }
}

void PushEvent(uint32_t number, uint32_t flags, const std::string& name, const std::string& text) {
    State& s = S();
    if (!s.inChat || s.events.size() >= kEventQueueMax) return;
    std::array<uint8_t, QV_EVENT_RECORD_SIZE> record{};
    ChatEventHeader head{};
    head.eventNumber = number;
    head.userFlags = flags;
    memcpy(record.data(), &head, sizeof head);
    // Both texts end inside the record: the name first, the text in what is left.
    size_t nameLength = Utf8Cut(name.c_str(), strnlen(name.c_str(), kUserNameMax), kUserNameMax);
    memcpy(record.data() + QV_CHAT_EVENT_USER_NAME, name.data(), nameLength);
    size_t textAt = QV_CHAT_EVENT_USER_NAME + nameLength + 1;
    size_t room = QV_EVENT_RECORD_SIZE - textAt - 1;
    size_t textLength = Utf8Cut(text.c_str(), strnlen(text.c_str(), room + 1), room);
    memcpy(record.data() + textAt, text.data(), textLength);
    s.events.push_back(record);
}

std::string UserName(const std::string& character, const std::string& nick) {
    std::string name = character.empty() ? "*" + nick : character + "*" + nick;
    if (name.size() > kUserNameMax) name.resize(kUserNameMax);
    return name;
}

std::string OwnName() {
    return UserName(S().options.character.name, S().nick);
}

bool IsChannel(const char* target, const std::string& name) {
    return target[0] == '#' && !name.empty() && Lower(target + 1) == Lower(name);
}

bool Tagged(const char* text, std::string* word, std::string* rest) {
    if (text[0] != 1) return false;
    std::string body(text + 1);
    if (!body.empty() && body.back() == 1) body.pop_back();
    size_t blank = body.find(' ');
    *word = body.substr(0, blank);
    *rest = blank == std::string::npos ? "" : body.substr(blank + 1);
    return true;
}

} // namespace net::internal

namespace {

using namespace net;
using namespace net::internal;

// ---- the server's lines ---------------------------------------------------------------
// Each handler runs on the connection's thread with the state locked.

void Fail(const std::string& why) {
    State& s = S();
    s.failure = why;
    s.failed = true;
    s.changed.notify_all();
}

void OnPing(const Message& m, const std::string&) {
    Send(std::string("PONG :") + m.Param(m.count - 1));
}

void OnPongLine(const Message& m, const std::string&) {
    OnPong(m.Param(m.count - 1));
}

void OnWelcome(const Message& m, const std::string&) {
    State& s = S();
    s.nick = m.Param(0);
    s.registered = true;
    s.changed.notify_all();
    Send("JOIN #" + s.options.gamesChannel);
    Send("LIST");
}

// During registration a taken nick gets a suffix; after three tries the connection fails.
void OnNickInUse(const Message&, const std::string&) {
    State& s = S();
    if (s.registered) return;
    if (++s.nickTries > 3) return Fail("the nick " + s.options.nick + " is taken");
    s.nick = s.options.nick + std::string((size_t)s.nickTries, '_');
    Send("NICK " + s.nick);
}

void OnJoinLine(const Message& m, const std::string& nick) {
    OnJoin(m, nick);
}

void OnPart(const Message& m, const std::string& nick) {
    OnLeave(nick, m.Param(0), false);
}

void OnQuit(const Message&, const std::string& nick) {
    OnLeave(nick, nullptr, true);
}

void OnKick(const Message& m, const std::string&) {
    OnLeave(m.Param(1), m.Param(0), false);
}

void OnNick(const Message& m, const std::string& nick) {
    OnNickChange(nick, m.Param(0));
}

void OnModeLine(const Message& m, const std::string&) {
    OnMode(m);
}

void OnNamesLine(const Message& m, const std::string&) {
    OnNames(m);
}

void OnPrivmsg(const Message& m, const std::string& nick) {
    OnText(nick, m.Param(0), m.Param(1), false);
}

void OnNotice(const Message& m, const std::string& nick) {
    if (nick.find('.') != std::string::npos) return; // the server's own notices
    OnText(nick, m.Param(0), m.Param(1), true);
}

void OnMotdStart(const Message&, const std::string&) {
    S().motd.clear();
}

// "- text" lines; the text is bounded like everything else from the server.
void OnMotdLine(const Message& m, const std::string&) {
    State& s = S();
    const char* text = m.Param(m.count - 1);
    if (text[0] == '-' && text[1] == ' ') text += 2;
    if (s.motd.size() > 4096) return;
    if (!s.motd.empty()) s.motd += '\n';
    s.motd += text;
}

void OnListStart(const Message&, const std::string&) {
    S().listing.clear();
}

// The server's own channels ('&') and the games channel are not offered.
void OnListEntry(const Message& m, const std::string&) {
    State& s = S();
    const char* name = m.Param(1);
    if (name[0] != '#' || IsChannel(name, s.options.gamesChannel) || s.listing.size() >= 256) return;
    s.listing.push_back(std::string(name + 1, strnlen(name + 1, 31)));
}

void OnListEnd(const Message&, const std::string&) {
    S().listed = S().listing;
}

void OnNoSuchNickLine(const Message& m, const std::string&) {
    OnNoSuchNick(m.Param(1));
}

void OnChannelFull(const Message& m, const std::string&) {
    OnJoinRefused(m.Param(1), 13);
}

void OnChannelRefused(const Message& m, const std::string&) {
    OnJoinRefused(m.Param(1), 15);
}

void OnErrorLine(const Message& m, const std::string&) {
    if (!S().registered) Fail(std::string("the server refused: ") + m.Param(0));
}

struct LineKind {
    const char* command;
    void (*handle)(const Message& m, const std::string& nick);
};
// clang-format off
const LineKind kLineKinds[] = {
    {"PING",    OnPing},
    {"PONG",    OnPongLine},
    {"001",     OnWelcome},
    {"433",     OnNickInUse},
    {"JOIN",    OnJoinLine},
    {"PART",    OnPart},
    {"QUIT",    OnQuit},
    {"KICK",    OnKick},
    {"NICK",    OnNick},
    {"MODE",    OnModeLine},
    {"353",     OnNamesLine},
    {"PRIVMSG", OnPrivmsg},
    {"NOTICE",  OnNotice},
    {"375",     OnMotdStart},
    {"372",     OnMotdLine},
    {"321",     OnListStart},
    {"322",     OnListEntry},
    {"323",     OnListEnd},
    {"401",     OnNoSuchNickLine},
    {"471",     OnChannelFull},
    {"403",     OnChannelRefused},
    {"473",     OnChannelRefused},
    {"474",     OnChannelRefused},
    {"475",     OnChannelRefused},
    {"476",     OnChannelRefused},
    {"477",     OnChannelRefused},
    {"479",     OnChannelRefused},
    {"ERROR",   OnErrorLine},
};
// clang-format on
static_assert(sizeof kLineKinds / sizeof kLineKinds[0] == 28, "one row per line kind");

// The message of the day ends: the dated-message handlers get it when they asked.
bool MotdEnds(const Message& m) {
    return strcmp(m.command, "376") == 0 || strcmp(m.command, "422") == 0;
}

void DeliverMotd(const std::string& text) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.handlerMutex);
    if (s.clear) s.clear();
    if (s.dated && !text.empty()) s.dated((uint32_t)time(nullptr), text.c_str());
}

void HandleLine(const char* line) {
    Message m;
    if (!ParseMessage(line, &m)) return;
    State& s = S();
    std::string motd;
    bool deliver = false;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        char nick[64];
        m.Nick(nick, sizeof nick);
        for (const LineKind& kind : kLineKinds)
            if (strcmp(kind.command, m.command) == 0) kind.handle(m, nick);
        if (MotdEnds(m) && s.motdWanted) {
            s.motdWanted = false;
            deliver = true;
            motd = s.motd;
        }
    }
    if (deliver) DeliverMotd(motd); // without the state's lock: the module's handlers take their own
}

void EndConnection(const std::string& why) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    bool was = s.connected.exchange(false);
    if (!s.registered) Fail(why);
    if (was && s.registered && !s.stopping) ConnectionLost();
    s.changed.notify_all();
}

// Reads until the connection ends: the server closes it, a socket error, a
// ping timeout, or Disconnect.
void ReaderMain() {
    State& s = S();
    LineBuffer buffer;
    char bytes[4096], line[kMaxLine];
    for (;;) {
        pollfd p{s.fd, POLLIN, 0};
        int ready = poll(&p, 1, 100);
        uint64_t now = NowMs();
        if (s.stopping) return EndConnection("stopped");
        if (ready < 0) return EndConnection("poll failed");
        if (ready > 0) {
            ssize_t n = recv(s.fd, bytes, sizeof bytes, 0);
            if (n <= 0) return EndConnection(n == 0 ? "the server closed the connection" : "socket error");
            buffer.Append(bytes, (size_t)n);
            {
                std::lock_guard<std::mutex> lock(s.mutex);
                s.lastHeard = now;
                s.pingSent = false;
                s.dropped = buffer.Dropped();
            }
            while (buffer.Take(line, sizeof line))
                HandleLine(line);
        }
        bool timedOut = false;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            uint64_t silent = now - s.lastHeard;
            timedOut = silent > (uint64_t)s.options.pingTimeoutMs;
            if (!timedOut && silent > (uint64_t)s.options.pingTimeoutMs / 2 && !s.pingSent && s.registered) {
                s.pingSent = true;
                Send("PING :qvalive");
            }
            if (!timedOut) ShowHeldUsers(now);
        }
        if (timedOut) return EndConnection("ping timeout");
    }
}

int OpenSocket(const Options& o, std::string* error) {
    addrinfo hints{}, *found = nullptr;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    std::string port = std::to_string(o.port);
    if (getaddrinfo(o.host.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
        *error = "cannot resolve " + o.host;
        return -1;
    }
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd >= 0) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        int r = connect(fd, found->ai_addr, found->ai_addrlen);
        pollfd p{fd, POLLOUT, 0};
        int soError = 0;
        socklen_t length = sizeof soError;
        if (r != 0 && (errno != EINPROGRESS || poll(&p, 1, o.connectTimeoutMs) != 1 ||
                       getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length) != 0 || soError != 0)) {
            close(fd);
            fd = -1;
        } else {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        }
    }
    freeaddrinfo(found);
    if (fd < 0) *error = "cannot connect to " + o.host + ":" + port;
    return fd;
}

uint32_t LocalAddressOf(int fd) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    return local.sin_addr.s_addr; // network order: the first byte first in memory
}

// ---- slots of the connection itself ------------------------------------------------------

int IsConnectedSlot() {
    return S().connected ? 1 : 0;
}

const char* GetOwnNameSlot() {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.ownNameOut = OwnName();
    return s.ownNameOut.c_str();
}

int PollEventSlot(uint32_t* kind, void* record) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.events.empty()) return 0;
    if (kind) *kind = QV_EVENT_CHAT;
    if (record) memcpy(record, s.events.front().data(), QV_EVENT_RECORD_SIZE);
    s.events.pop_front();
    return 1;
}

// The channel list the server gave at the last LIST; a new one is asked for the next time.
const char* GetChannelListSlot(int) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.channelListOut.clear();
    for (const std::string& name : s.listed) {
        s.channelListOut.insert(s.channelListOut.end(), name.begin(), name.end());
        s.channelListOut.push_back(0);
    }
    s.channelListOut.push_back(0);
    Send("LIST");
    return s.channelListOut.data();
}

int EnterChatInto(const std::string& channel) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.inChat = true;
    s.events.clear();
    if (!channel.empty()) JoinChannelNamed(channel);
    return s.connected ? 1 : 0;
}

int EnterChatSlot(const char*, const char*, uint32_t, const char* channel, uint32_t) {
    return EnterChatInto(channel ? std::string(channel, strnlen(channel, 31)) : "");
}

// Entering without the realm: the home channel.
int EnterChatPlainSlot() {
    return EnterChatInto(S().options.homeChannel);
}

int LeaveChatSlot() {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    LeaveChatChannel();
    s.inChat = false;
    s.events.clear();
    return 1;
}

int PeriodicTickSlot() {
    Send("LIST");
    return 1;
}

const void* GetRealmLogonDataSlot(const char*, const char*) {
    return nullptr; // no realm travels over this service
}

int NotifyAdClickSlot(uint32_t, int) {
    return 1;
}

const void* GetAdInfoSlot(uint32_t) {
    return nullptr;
}

// The handlers get the message of the day as soon as the server sends it again.
int SetMessageHandlersSlot(DatedMessageHandler dated, ClearMessagesHandler clear) {
    State& s = S();
    {
        std::lock_guard<std::mutex> lock(s.handlerMutex);
        s.dated = dated;
        s.clear = clear;
    }
    std::lock_guard<std::mutex> lock(s.mutex);
    s.motdWanted = true;
    Send("MOTD");
    return 1;
}

int ClearMessageHandlersSlot() {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.handlerMutex); // waits for a delivery in progress
    s.dated = nullptr;
    s.clear = nullptr;
    return 1;
}

ChatServiceTable* BuildTable() {
    static ChatServiceTable table{};
    auto set = [](ChatSlot slot, auto fn) { table.slot[slot] = reinterpret_cast<void*>(fn); };
#define QV_SET_SLOT(name) set(kSlot##name, static_cast<name##Fn>(name##Slot));
    QV_CHAT_SLOTS(QV_SET_SLOT)
#undef QV_SET_SLOT
    return &table;
}

} // namespace

namespace net {

bool Connect(const Options& options, std::string* error) {
    Disconnect();
    State& s = S();
    int fd = OpenSocket(options, error);
    if (fd < 0) return false;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.options = options;
        s.fd = fd;
        s.nick = options.nick;
        s.nickTries = 0;
        s.registered = s.failed = false;
        s.failure.clear();
        s.ownDescription = DescriptionOf(options.character);
        s.localAddress = LocalAddressOf(fd);
        s.lastHeard = internal::NowMs();
        s.pingSent = false;
        s.stopping = false;
        s.connected = true;
    }
    Send("NICK " + options.nick);
    Send("USER " + options.nick + " 0 * :" + options.character.name);
    s.reader = std::thread(ReaderMain);
    s.readerId = s.reader.get_id();
    std::unique_lock<std::mutex> lock(s.mutex);
    s.changed.wait_for(lock, std::chrono::milliseconds(options.connectTimeoutMs),
                       [&] { return s.registered || s.failed || !s.connected; });
    if (s.registered && s.connected) return true;
    *error = s.failed ? s.failure : "the server did not answer the registration";
    lock.unlock();
    Disconnect();
    return false;
}

void Disconnect() {
    State& s = S();
    if (s.reader.joinable()) {
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            internal::LeaveChatChannel();
        }
        Send("QUIT :leaving");
        s.stopping = true;
        s.reader.join();
    }
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.fd >= 0) close(s.fd);
    s.fd = -1;
    s.connected = false;
    s.inChat = false;
    s.events.clear();
    s.listed.clear();
    internal::ResetChannel();
    internal::ResetGames();
}

ChatServiceTable* Table() {
    static ChatServiceTable* table = BuildTable();
    return table;
}

bool Connected() {
    return S().connected;
}

std::string Nick() {
    std::lock_guard<std::mutex> lock(S().mutex);
    return S().nick;
}

std::thread::id ConnectionThread() {
    return S().readerId;
}

std::vector<std::string> GameJoiners() {
    std::lock_guard<std::mutex> lock(S().mutex);
    return S().joiners;
}

int DroppedLines() {
    std::lock_guard<std::mutex> lock(S().mutex);
    return S().dropped;
}

bool WaitUntil(const std::function<bool()>& test, int ms) {
    uint64_t end = internal::NowMs() + (uint64_t)ms;
    while (!test()) {
        if (internal::NowMs() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// ---- the character and its description -------------------------------------------------

static bool HexBytes(const std::string& text, uint8_t* out) {
    std::string compact, bytes;
    for (char c : text)
        if (c != ' ') compact.push_back(c);
    if (!FromHex(compact.c_str(), 16, &bytes) || bytes.size() != 16) return false;
    memcpy(out, bytes.data(), 16);
    return true;
}

bool ReadCharacter(const std::string& path, Character* c, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string key, value;
        words >> key;
        std::getline(words >> std::ws, value);
        bool ok = true;
        if (key == "name") {
            ok = !value.empty() && value.size() <= 15 && value.find_first_of("*@, ") == std::string::npos;
            c->name = value;
        } else if (key == "realm") {
            ok = value.size() <= 23 && value.find(',') == std::string::npos;
            c->realm = value;
        } else if (key == "class") {
            c->classIndex = atoi(value.c_str());
            ok = c->classIndex >= 0 && c->classIndex <= 6;
        } else if (key == "level") {
            c->level = atoi(value.c_str());
            ok = c->level >= 1 && c->level <= 99;
        } else if (key == "status") {
            c->status = (uint16_t)strtoul(value.c_str(), nullptr, 0);
        } else if (key == "lookA" || key == "lookB") {
            ok = HexBytes(value, key == "lookA" ? c->lookA : c->lookB);
        } else {
            ok = false;
        }
        if (!ok) {
            *error = path + ":" + std::to_string(number) + ": bad line: " + line;
            return false;
        }
    }
    return true;
}

// No byte of the fixed part may be zero: the description travels as a
// zero-terminated text in the event record.
static char NonZero(uint8_t b) {
    return (char)(b ? b : 0xff);
}

std::string DescriptionOf(const Character& c) {
    std::string s = "PXvQ" + c.realm + "," + c.name + ",";
    s += "\x01\x01";
    s += (char)(c.lookA[0] ? c.lookA[0] : 1); // a zero first byte would mean no figure
    for (int i = 1; i < 11; ++i)
        s += NonZero(c.lookA[i]);
    s += (char)(c.classIndex + 1);
    for (int i = 0; i < 11; ++i)
        s += NonZero(c.lookB[i]);
    s += (char)(c.level > 0 ? c.level : 1);
    // Bits 0x01 and 0x2000, which nothing reads, keep both status bytes non-zero.
    uint16_t status = (uint16_t)(c.status | 0x2001);
    s += (char)(status & 0xff);
    s += (char)(status >> 8);
    s += "\x01\x01\xff\xff\xff";
    return s;
}

} // namespace net
