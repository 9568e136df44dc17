// The crowd (Live.h): a live chat service and realm around a person using the
// lobby in a window. Built on the driver API alone: it reads the calls the
// module made (ChatCalls, RealmCalls) and answers with service input
// (PushChatEvent, PushListReply), as a chat server and a realm would.
//
// Answers to the module's calls, at the next step after the call:
// - EnterChat with a channel, JoinChannel: the channel joined (event 7), the
//   player and the crowd present (event 1); JoinChannel with no name joins
//   "Lobby".
// - SendChatLine: "/w" and "/whisper" give the whisper sent (event 10), and a
//   crowd user whispered answers a little later; "/me" the player's emote
//   (event 23); "/squelch" and "/unsquelch" the user's new flags (event 9);
//   another command a notice (event 6). Talk is echoed by the module itself.
// - RealmRequestGameList: one reply per game, then the closing reply.
// Creates and joins are answered with success by the realm stand-in itself
// (RealmAutoAnswer), which the crowd switches on together with the realm's
// connection and the chat service's game block.
//
// Crowd events, one per period on average (exponential-ish spacing drawn from
// the seed), weighted: talk, join, leave, emote, a whisper to the player, a
// notice. The crowd grows and shrinks around its starting size.
//
// State: whether it runs, its options, the random state, the users present,
// the counts of calls already answered, the channel, the time of the next
// event, and the whispers waiting to be answered.
#include <cstring>
#include <string>
#include <vector>

#include "Live.h"

namespace {

struct User {
    std::string name; // character*account or *account
    uint32_t flags = 0;
};
struct Pending {
    uint32_t at;
    uint32_t number;
    std::string name, text;
};

bool running = false;
standin::CrowdOptions options;
uint32_t randomState = 1;
std::vector<User> users;
size_t chatCallsSeen = 0, realmCallsSeen = 0;
std::string channel;
uint32_t nextEventAt = 0;
std::vector<Pending> pending;
int nameSerial = 0;

const char* const kSyllables[] = {"ka", "ri", "mo",  "ve", "ta",  "lin", "dor", "sa", "el",  "th",
                                  "ar", "na", "quo", "zu", "bel", "or",  "wyn", "ia", "gar", "es"};
const char* const kRealms[] = {"West", "East", "Eastmarch"};
const char* const kTalk[] = {"anyone up for a crypt run?",
                             "hi all",
                             "lol",
                             "selling a spare shield, whisper me",
                             "which act is the best for levelling?",
                             "brb",
                             "gg everyone",
                             "need two more for the tower",
                             "does anyone know where the blacksmith is?",
                             "good morning lobby",
                             "that boss took forever",
                             "trading runes, fair offers only",
                             "first time here, hello!",
                             "ok see you all later",
                             "the realm seems slow today"};
const char* const kWhispers[] = {"hey, want to team up?", "are you still trading?", "nice gear!",
                                 "join my game, password is blank", "thanks for earlier"};
const char* const kEmotes[] = {"waves", "laughs", "bows", "dances", "yawns", "cheers"};
const char* const kNotices[] = {"The realm will restart in 30 minutes.", "Welcome to the Lobby channel."};

uint32_t Random() {
    // xorshift32: steady and the same for the same seed.
    randomState ^= randomState << 13;
    randomState ^= randomState >> 17;
    randomState ^= randomState << 5;
    return randomState;
}

uint32_t Below(uint32_t n) {
    return n ? Random() % n : 0;
}

template <class T, size_t N> const T& Pick(const T (&list)[N]) {
    return list[Below(N)];
}

std::string Capitalized(std::string s) {
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = (char)(s[0] - 'a' + 'A');
    return s;
}

std::string Word() {
    std::string w = std::string(Pick(kSyllables)) + Pick(kSyllables);
    if (Below(2)) w += Pick(kSyllables);
    return Capitalized(w);
}

// A user description: a character of one of the seven classes, or the chat tag alone.
std::string Description(const std::string& character) {
    if (character.empty()) return "TAHC";
    std::string s = "PXvQ";
    s += std::string(Pick(kRealms)) + "," + character + ",";
    s += "\x01\x01";
    s += (char)(1 + Below(5));
    for (int i = 0; i < 10; ++i)
        s += (char)(1 + Below(8));
    s += (char)(1 + Below(7)); // class + 1
    for (int i = 0; i < 11; ++i)
        s += (char)(1 + Below(20));
    s += (char)(1 + Below(90)); // level
    // Status: progress in bits 8..12, sometimes 0x04 or 0x20; bits 0x01 and
    // 0x2000, which nothing reads, keep both bytes non-zero inside the text.
    uint16_t status =
        (uint16_t)(Below(14) << 8 | 0x2001 | (Below(4) == 0 ? 0x04 : 0) | (Below(6) == 0 ? 0x20 : 0));
    s += (char)(status & 0xff);
    s += (char)(status >> 8);
    s += "\x01\x01";
    s += "\xff\xff\xff";
    return s;
}

User NewUser() {
    User u;
    std::string account = Word() + std::to_string(++nameSerial % 100);
    bool character = Below(10) < 7;
    u.name = character ? Word() + "*" + account : "*" + account;
    uint32_t roll = Below(40);
    u.flags = roll == 0 ? 0x02 : roll < 3 ? 0x08 : roll < 4 ? 0x01 : 0;
    return u;
}

std::string CharacterOf(const std::string& name) {
    size_t star = name.find('*');
    return star == std::string::npos ? name : name.substr(0, star);
}

std::string AccountOf(const std::string& name) {
    size_t star = name.find('*');
    return star == std::string::npos ? name : name.substr(star + 1);
}

User* FindByAccount(const std::string& account) {
    for (User& u : users)
        if (AccountOf(u.name) == account) return &u;
    return nullptr;
}

std::string OwnName() {
    const char* own = GetOwnName(standin::ChatTable());
    return own ? std::string(own, strnlen(own, 256)) : std::string();
}

void Join(const std::string& name) {
    channel = name.empty() ? "Lobby" : name;
    users.clear();
    standin::PushChatEvent(7, 0, "", channel);
    std::string own = OwnName();
    standin::PushChatEvent(1, 0, own, "TAHC");
    for (int i = 0; i < options.users; ++i) {
        User u = NewUser();
        users.push_back(u);
        standin::PushChatEvent(1, u.flags, u.name, Description(CharacterOf(u.name)));
    }
}

// "/w *account text" or "/whisper *account text": the whisper sent, and an answer later.
void Whisper(const std::string& rest) {
    size_t blank = rest.find(' ');
    std::string target = rest.substr(0, blank),
                text = blank == std::string::npos ? "" : rest.substr(blank + 1);
    std::string account = !target.empty() && target[0] == '*' ? target.substr(1) : target;
    User* u = FindByAccount(account);
    if (!u) {
        standin::PushChatEvent(6, 0, "", "That user is not logged on.");
        return;
    }
    standin::PushChatEvent(10, 0, u->name, text);
    pending.push_back({standin::Now() + 1500 + Below(3000), 4, u->name, Pick(kWhispers)});
}

void Squelch(const std::string& rest, bool on) {
    std::string account = !rest.empty() && rest[0] == '*' ? rest.substr(1) : rest;
    User* u = FindByAccount(account);
    if (!u) return;
    u->flags = on ? (u->flags | 0x20) : (u->flags & ~0x20u);
    standin::PushChatEvent(9, u->flags, u->name, Description(CharacterOf(u->name)));
}

bool Starts(const std::string& s, const char* prefix, std::string* rest) {
    size_t n = strlen(prefix);
    if (s.compare(0, n, prefix) != 0) return false;
    *rest = s.substr(n);
    return true;
}

void AnswerLine(const std::string& line) {
    std::string rest;
    if (Starts(line, "/w ", &rest) || Starts(line, "/whisper ", &rest)) return Whisper(rest);
    if (Starts(line, "/me ", &rest) || Starts(line, "/emote ", &rest))
        return standin::PushChatEvent(23, 0, OwnName(), rest);
    if (Starts(line, "/squelch ", &rest)) return Squelch(rest, true);
    if (Starts(line, "/unsquelch ", &rest)) return Squelch(rest, false);
    if (!line.empty() && line[0] == '/') return standin::PushChatEvent(6, 0, "", "Unknown command.");
    if (!users.empty() && Below(3) == 0) {
        const User& u = users[Below((uint32_t)users.size())];
        pending.push_back({standin::Now() + 2000 + Below(4000), 5, u.name,
                           "@" + CharacterOf(OwnName()) + " " + Pick(kTalk)});
    }
}

void AnswerChatCalls() {
    std::vector<standin::Call> calls = standin::ChatCalls();
    if (calls.size() < chatCallsSeen) chatCallsSeen = 0; // the calls were cleared
    for (size_t i = chatCallsSeen; i < calls.size(); ++i) {
        const standin::Call& c = calls[i];
        if (c.name == "EnterChat" && c.args.size() >= 4 && !c.args[3].empty()) Join(c.args[3]);
        if (c.name == "JoinChannel" && !c.args.empty()) Join(c.args[0]);
        if (c.name == "SendChatLine" && !c.args.empty()) AnswerLine(c.args[0]);
    }
    chatCallsSeen = standin::ChatCalls().size();
}

const char* const kGames[][2] = {{"crypt run", "fast crypt runs"},
                                 {"tower 4p", "need two more"},
                                 {"trade hall", "trading only"},
                                 {"newbies", "first act, all welcome"}};

// One realm reply record: end marker, request id, game id, players, name, description.
std::vector<uint8_t> ListReply(uint32_t end, uint16_t requestId, uint16_t gameId, uint16_t players,
                               const char* name, const char* description) {
    std::vector<uint8_t> r(76, 0);
    memcpy(&r[0], &end, 4);
    memcpy(&r[4], &requestId, 2);
    memcpy(&r[8], &gameId, 2);
    memcpy(&r[20], &players, 2);
    memcpy(&r[28], name, strnlen(name, 15)); // the rest stays zero: terminated
    memcpy(&r[44], description, strnlen(description, 31));
    return r;
}

void AnswerRealmCalls() {
    std::vector<standin::Call> calls = standin::RealmCalls();
    if (calls.size() < realmCallsSeen) realmCallsSeen = 0;
    for (size_t i = realmCallsSeen; i < calls.size(); ++i) {
        const standin::Call& c = calls[i];
        if (c.name != "RealmRequestGameList" || c.args.size() < 2) continue;
        uint16_t id = (uint16_t)std::stoul(c.args[1]);
        for (size_t g = 0; g < sizeof kGames / sizeof kGames[0]; ++g)
            standin::PushListReply(
                id, 0,
                ListReply(0, id, (uint16_t)(g + 1), (uint16_t)(1 + Below(7)), kGames[g][0], kGames[g][1]));
        standin::PushListReply(id, 0, ListReply(1, id, 0, 0, "", ""));
    }
    realmCallsSeen = standin::RealmCalls().size();
}

// The chat service's own game list: a count, then per game a 32-byte header
// (address at offset 12) and three texts: name, an unread text, difficulty digit + description.
std::vector<uint8_t> GameBlock() {
    std::vector<uint8_t> block(4, 0);
    uint32_t count = sizeof kGames / sizeof kGames[0];
    memcpy(&block[0], &count, 4);
    for (uint32_t g = 0; g < count; ++g) {
        std::vector<uint8_t> header(32, 0);
        uint32_t address = 0x0100007f + (g << 24);
        memcpy(&header[12], &address, 4);
        block.insert(block.end(), header.begin(), header.end());
        std::string texts =
            std::string(kGames[g][0]) + '\0' + "" + '\0' + std::to_string(g % 2) + kGames[g][1] + '\0';
        block.insert(block.end(), texts.begin(), texts.end());
    }
    return block;
}

void CrowdEvent() {
    uint32_t roll = Below(100);
    int low = options.users * 3 / 4, high = options.users * 5 / 4 + 1;
    if (roll < 15 && (int)users.size() < high) {
        User u = NewUser();
        users.push_back(u);
        return standin::PushChatEvent(2, u.flags, u.name, Description(CharacterOf(u.name)));
    }
    if (users.empty()) return;
    size_t who = Below((uint32_t)users.size());
    const User u = users[who];
    if (roll < 30 && (int)users.size() > low) {
        users.erase(users.begin() + (long)who);
        return standin::PushChatEvent(3, 0, u.name, "");
    }
    if (roll < 80) return standin::PushChatEvent(5, u.flags, u.name, Pick(kTalk));
    if (roll < 90) return standin::PushChatEvent(23, 0, u.name, Pick(kEmotes));
    if (roll < 97) return standin::PushChatEvent(4, 0, u.name, Pick(kWhispers));
    standin::PushChatEvent(6, 0, "", Pick(kNotices));
}

uint32_t Spacing() {
    // Between half and one and a half periods: steady on average, never in step.
    return options.periodMs / 2 + Below(options.periodMs + 1);
}

} // namespace

namespace standin {

void StartCrowd(const CrowdOptions& opts) {
    options = opts;
    if (options.users < 0) options.users = 0;
    if (options.periodMs == 0) options.periodMs = 1;
    randomState = opts.seed ? opts.seed : 1;
    users.clear();
    pending.clear();
    channel.clear();
    nameSerial = 0;
    chatCallsSeen = ChatCalls().size();
    realmCallsSeen = RealmCalls().size();
    nextEventAt = Now() + Spacing();
    SetRealmConnected(true);
    RealmAutoAnswer(0, 0);
    SetJoinReply(1, 0x0100007f, "crowd game");
    SetGameBlock(GameBlock());
    running = true;
}

void StepCrowd() {
    if (!running) return;
    AnswerChatCalls();
    AnswerRealmCalls();
    uint32_t now = Now();
    for (size_t i = 0; i < pending.size();) {
        if ((int32_t)(now - pending[i].at) < 0) {
            ++i;
            continue;
        }
        Pending p = pending[i];
        pending.erase(pending.begin() + (long)i);
        if (FindByAccount(AccountOf(p.name))) PushChatEvent(p.number, 0, p.name, p.text);
    }
    if (channel.empty()) return; // nobody talks before the player is in a channel
    for (int n = 0; (int32_t)(now - nextEventAt) >= 0 && n < 8; ++n) {
        CrowdEvent();
        nextEventAt += Spacing();
    }
    if ((int32_t)(now - nextEventAt) >= 0) nextEventAt = now + Spacing(); // a long pause is not replayed
}

void StopCrowd() {
    running = false;
    users.clear();
    pending.clear();
}

int CrowdUsers() {
    return running ? (int)users.size() : 0;
}

} // namespace standin
