// The crowd (Live.h): a live chat service and realm around a person using the
// lobby in a window. Built on the driver API alone: it reads the calls the
// module made (ChatCalls) and answers with service input (PushChatEvent,
// SetProfile), as a chat server would; the realm it scripts once at the start.
//
// Answers to the module's calls, at the next step after the call:
// - EnterChat with a channel, JoinChannel: the channel joined (event 7), the
//   player and the crowd present (event 1); JoinChannel with no name joins
//   "Lobby".
// - SendChatLine: "/w" and "/whisper" give the whisper sent (event 10), and a
//   crowd user whispered answers a little later; "/me" the player's emote
//   (event 23); "/squelch" and "/unsquelch" the user's new flags (event 9);
//   another command a notice (event 6). Talk is echoed by the module itself.
// - RequestProfile: the account's profile, ready at the next poll (a crowd
//   user's made up from its name; the player's own as last written, empty
//   before); until then polls find nothing.
// The realm stand-in answers the rest itself once the crowd has scripted it:
// creates and joins with success (RealmAutoAnswer), list and info requests
// with the crowd's games and their players (AddRealmGame), ladder pages and
// positions from the generated ladder (SetLadderAnswers), on which most crowd
// characters and the player's own are placed; the chat service hands out the
// crowd's games as its game block.
//
// Crowd events, one per period on average (exponential-ish spacing drawn from
// the seed), weighted: talk, join, leave, emote, a whisper to the player, a
// notice. The crowd grows and shrinks around its starting size.
//
// State: whether it runs, its options, the random state, the users present,
// the count of calls already answered, the channel, the time of the next
// event, the whispers waiting to be answered, the profile asked for and the
// player's own profile.
#include <cstring>
#include <string>
#include <vector>

#include "Xorshift.h"
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
standin::Xorshift32 crowdRandom;
std::vector<User> users;
size_t chatCallsSeen = 0;
std::string channel;
uint32_t nextEventAt = 0;
std::vector<Pending> pending;
int nameSerial = 0;
// The account whose profile was asked for ("" when none), and the call count
// at which its answer became ready: a poll after that takes it.
std::string profileAsked;
constexpr int kLadderDelayMs = 300, kOwnLadderRow = 41;
bool profileReady = false;
size_t profileReadyAt = 0;
std::string ownProfile[3];

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
const char* const kSexes[] = {"male", "female", "", "m", "f"};
const char* const kPlaces[] = {"Eastmarch", "the old tower", "somewhere cold", "", "by the sea", "West"};
// Never empty: a crowd user's profile always says something.
const char* const kAbouts[] = {"Plays most evenings.", "Looking for a steady party.\r\nAsk me about runes.",
                               "Collector of rare shields.\n\nTrades fairly.", "Here to level, not to talk."};

uint32_t Below(uint32_t n) {
    return crowdRandom.Below(n);
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
    std::string name = Word();
    u.name = character ? name + "*" + account : "*" + account;
    uint32_t roll = Below(40);
    u.flags = roll == 0 ? 0x02 : roll < 3 ? 0x08 : roll < 4 ? 0x01 : 0;
    // Two characters in three stand on the ladder, at a place of their own.
    uint32_t place = Below(standin::kLadderRows);
    if (character && Below(3) != 0) standin::PlaceOnLadder(name, (int)place);
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
    auto getOwnName = reinterpret_cast<GetOwnNameFn>(standin::ChatTable()->slot[kSlotGetOwnName]);
    const char* own = getOwnName();
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

// A crowd user's profile, the same for the same account: drawn from its name.
void CrowdProfile(const std::string& account, std::string (&values)[3]) {
    uint32_t h = standin::HashOf(account) | 1;
    auto pick = [&h](uint32_t n) {
        h ^= h << 13;
        h ^= h >> 17;
        h ^= h << 5;
        return h % n;
    };
    values[0] = kSexes[pick(sizeof kSexes / sizeof kSexes[0])];
    values[1] = kPlaces[pick(sizeof kPlaces / sizeof kPlaces[0])];
    values[2] = kAbouts[pick(sizeof kAbouts / sizeof kAbouts[0])];
}

void AnswerProfile() {
    std::string values[3];
    if (AccountOf(OwnName()) == profileAsked)
        for (int i = 0; i < 3; ++i)
            values[i] = ownProfile[i];
    else
        CrowdProfile(profileAsked, values);
    standin::SetProfile(values[0], values[1], values[2], true);
    profileAsked.clear();
    profileReady = true;
    profileReadyAt = standin::ChatCalls().size();
}

// A poll made after the answer was ready took it: the next request waits again.
void ProfilePolled(size_t callIndex) {
    if (!profileReady || callIndex < profileReadyAt) return;
    profileReady = false;
    standin::SetProfile("", "", "", false);
}

// WriteProfile (account, count, three keys, three values): the player's own is kept.
void ProfileWritten(const standin::Call& c) {
    if (c.args.size() < 8 || c.args[0] != AccountOf(OwnName())) return;
    for (int i = 0; i < 3; ++i)
        ownProfile[i] = c.args[(size_t)(5 + i)];
}

void AnswerChatCalls() {
    std::vector<standin::Call> calls = standin::ChatCalls();
    if (calls.size() < chatCallsSeen) chatCallsSeen = profileReadyAt = 0; // the calls were cleared
    for (size_t i = chatCallsSeen; i < calls.size(); ++i) {
        const standin::Call& c = calls[i];
        if (c.name == "EnterChat" && c.args.size() >= 4 && !c.args[3].empty()) Join(c.args[3]);
        if (c.name == "JoinChannel" && !c.args.empty()) Join(c.args[0]);
        if (c.name == "SendChatLine" && !c.args.empty()) AnswerLine(c.args[0]);
        if (c.name == "RequestProfile" && !c.args.empty()) profileAsked = c.args[0];
        if (c.name == "PollProfile") ProfilePolled(i);
        if (c.name == "WriteProfile") ProfileWritten(c);
    }
    if (!profileAsked.empty()) AnswerProfile();
    chatCallsSeen = standin::ChatCalls().size();
}

const char* const kGames[][2] = {{"crypt run", "fast crypt runs"},
                                 {"tower 4p", "need two more"},
                                 {"trade hall", "trading only"},
                                 {"newbies", "first act, all welcome"}};

// The crowd's games on the realm, each with a few players of every class and level.
void ScriptRealmGames() {
    for (size_t g = 0; g < sizeof kGames / sizeof kGames[0]; ++g) {
        standin::RealmGame game;
        game.id = (uint16_t)(g + 1);
        game.name = kGames[g][0];
        game.description = kGames[g][1];
        game.elapsedSeconds = 60 + Below(7200);
        game.level = (uint8_t)(5 + Below(80));
        game.difference = Below(3) == 0 ? 255 : (uint8_t)(2 + Below(10));
        game.maxPlayers = (uint8_t)(4 + Below(5));
        int players = 1 + (int)Below(game.maxPlayers);
        for (int p = 0; p < players; ++p)
            game.playerList.push_back({Word(), (uint16_t)Below(7), (uint16_t)(1 + Below(90))});
        game.players = (uint16_t)players;
        standin::AddRealmGame(game);
    }
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
    crowdRandom.Seed(opts.seed);
    users.clear();
    pending.clear();
    channel.clear();
    nameSerial = 0;
    profileAsked.clear();
    profileReady = false;
    for (std::string& value : ownProfile)
        value.clear();
    chatCallsSeen = profileReadyAt = ChatCalls().size();
    nextEventAt = Now() + Spacing();
    SetRealmConnected(true);
    RealmAutoAnswer(0, 0);
    SetJoinReply(1, 0x0100007f, "crowd game");
    SetGameBlock(GameBlock());
    ScriptRealmGames();
    SetLadderAnswers(kLadderDelayMs);
    std::string ownCharacter = CharacterOf(OwnName());
    if (!ownCharacter.empty()) PlaceOnLadder(ownCharacter, kOwnLadderRow);
    SetProfile("", "", "", false);
    running = true;
}

void StepCrowd() {
    if (!running) return;
    AnswerChatCalls();
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
