// The network chat service's open-mode games and player profiles.
//
// Games travel as tagged messages in the games channel, which every client
// joins when it connects:
//   "\x01QVGAME ADD <name hex> <password hash> <address hex> <flags> <statText hex>\x01"
//   "\x01QVGAME DEL <name hex>\x01"
//   "\x01QVGAME JOINED <name hex> <creator>\x01"
// A creator sends ADD when the game is announced and again, as a notice, to
// every newcomer of the games channel; its games end when it leaves. The
// announcement is done once the server has answered a ping sent after it, so
// the game is out before the creator's visit ends. The password never travels:
// only its hash, and a game with one is found by name and password, not listed.
//
// A profile is asked of its owner with "\x01QVPROFILE\x01" and answered with a
// notice "\x01QVPROFILE <sex hex> <location hex> <description hex>\x01"; the
// player's own profile is what WriteProfile stored.
//
// State: the games of others, the player's own game and its announcement,
// the players who joined it, the profile asked for and its answer
// (NetInternal.h), under the state's lock.
#include <cstring>
#include <sstream>

#include "NetInternal.h"

namespace net::internal {

namespace {

constexpr size_t kGameNameMax = 15, kStatTextMax = 40, kGamesMax = 1000;
constexpr uint64_t kProfileWaitMs = 3000;
constexpr size_t kProfileSizes[3] = {QV_PROFILE_SEX_SIZE, QV_PROFILE_LOCATION_SIZE,
                                     QV_PROFILE_DESCRIPTION_SIZE};

std::string PasswordHash(const char* password) {
    if (!password || !*password) return "-";
    uint32_t h = 2166136261u; // FNV-1a
    for (const char* p = password; *p; ++p)
        h = (h ^ (uint8_t)*p) * 16777619u;
    char text[16];
    snprintf(text, sizeof text, "%08x", h);
    return text;
}

std::string Bounded(const char* text, size_t max) {
    return text ? std::string(text, strnlen(text, max)) : "";
}

// Hex that decodes to a text without zero bytes, at most max bytes.
bool HexText(const std::string& hex, size_t max, std::string* text) {
    if (hex == "-") {
        text->clear();
        return true;
    }
    return FromHex(hex.c_str(), max, text) && text->find('\0') == std::string::npos;
}

std::string TextHex(const std::string& text) {
    return text.empty() ? "-" : HexOf(text);
}

std::string AddMessage(const Game& g) {
    char address[16], flags[16];
    snprintf(address, sizeof address, "%08x", g.address);
    snprintf(flags, sizeof flags, "%u", g.flags);
    return "\x01QVGAME ADD " + TextHex(g.name) + " " + g.passwordHash + " " + address + " " + flags + " " +
           TextHex(g.statText) + "\x01";
}

void Announce(const std::string& text) {
    Send("PRIVMSG #" + S().options.gamesChannel + " :" + text);
}

Game* FindGame(const std::string& name) {
    for (Game& g : S().games)
        if (Lower(g.name) == Lower(name)) return &g;
    return nullptr;
}

void RemoveGamesOf(const std::string& creator, const std::string& name) {
    auto& games = S().games;
    for (size_t i = 0; i < games.size();)
        if (Lower(games[i].creator) == Lower(creator) &&
            (name.empty() || Lower(games[i].name) == Lower(name)))
            games.erase(games.begin() + (long)i);
        else
            ++i;
}

void TakeAdd(const std::string& creator, std::istringstream& words) {
    std::string nameHex, hash, addressHex, flagsText, statHex;
    words >> nameHex >> hash >> addressHex >> flagsText >> statHex;
    Game g;
    if (!HexText(nameHex, kGameNameMax, &g.name) || g.name.empty() ||
        !HexText(statHex, kStatTextMax, &g.statText))
        return;
    if (hash.size() > 8 || addressHex.size() != 8) return;
    g.passwordHash = hash;
    g.address = (uint32_t)strtoul(addressHex.c_str(), nullptr, 16);
    g.flags = (uint32_t)strtoul(flagsText.c_str(), nullptr, 10);
    g.creator = creator;
    RemoveGamesOf(creator, g.name);
    if (S().games.size() < kGamesMax) S().games.push_back(g);
}

// The block the join dialog reads: a count, then per game a 32-byte header
// with the address at offset 12 and three texts (name, creator, statText).
void AppendGame(std::vector<uint8_t>& block, const Game& g) {
    ServiceGameHeader head{};
    head.address = g.address;
    const uint8_t* h = reinterpret_cast<const uint8_t*>(&head);
    block.insert(block.end(), h, h + sizeof head);
    for (const std::string* text : {&g.name, &g.creator, &g.statText}) {
        block.insert(block.end(), text->begin(), text->end());
        block.push_back(0);
    }
}

} // namespace

void OnGameMessage(const std::string& nick, const std::string& rest) {
    State& s = S();
    std::istringstream words(rest);
    std::string kind, nameHex, name;
    words >> kind;
    if (kind == "ADD") return TakeAdd(nick, words);
    words >> nameHex;
    if (!HexText(nameHex, kGameNameMax, &name)) return;
    if (kind == "DEL") return RemoveGamesOf(nick, name);
    std::string creator;
    words >> creator;
    if (kind == "JOINED" && s.hasOwnGame && Lower(creator) == Lower(s.nick) &&
        Lower(name) == Lower(s.ownGame.name) && s.joiners.size() < 100)
        s.joiners.push_back(nick.substr(0, 30));
}

void OnGamesMember(const std::string& nick, bool joined) {
    State& s = S();
    if (nick.empty() || Lower(nick) == Lower(s.nick)) return;
    if (!joined) {
        s.online.erase(Lower(nick));
        RemoveGamesOf(nick, "");
        return;
    }
    if (s.online.size() < 100000) s.online.insert(Lower(nick));
    if (s.hasOwnGame && s.announceDone && s.announceOutcome)
        Send("NOTICE " + nick + " :" + AddMessage(s.ownGame));
}

void OnPong(const char* token) {
    State& s = S();
    std::string expected = "qvgame" + std::to_string(s.announceToken);
    if (!s.announceDone && expected == token) {
        s.announceDone = true;
        s.announceOutcome = 1;
    }
}

void ResetGames() {
    State& s = S();
    s.games.clear();
    s.hasOwnGame = false;
    s.announceDone = true;
    s.announceOutcome = 0;
    s.joiners.clear();
    s.profileFrom.clear();
    s.answered = false;
}

int AnnounceGameSlot(const char* name, const char* password, const char* text, uint32_t flags) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string gameName = Bounded(name, kGameNameMax);
    if (!s.connected || gameName.empty() || FindGame(gameName)) { // a name another creator holds fails
        s.announceDone = true;
        s.announceOutcome = 0;
        return 0;
    }
    if (s.hasOwnGame) Announce("\x01QVGAME DEL " + TextHex(s.ownGame.name) + "\x01");
    s.ownGame =
        Game{gameName, PasswordHash(password), Bounded(text, kStatTextMax), s.nick, s.localAddress, flags};
    s.hasOwnGame = true;
    s.joiners.clear();
    Announce(AddMessage(s.ownGame));
    s.announceDone = false;
    s.announceOutcome = 0;
    Send("PING :qvgame" + std::to_string(++s.announceToken));
    return 1;
}

int QueueQuerySlot(uint32_t* outcome) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.announceDone && s.connected) return 0;
    if (outcome) *outcome = s.connected ? s.announceOutcome : 0;
    return 1;
}

// Games whose category flags fit (flags & mask == value); by name (ignoring
// case) with the right password, or without a name every game without one.
const void* GameListQuerySlot(const char* name, const char* password, uint32_t value, uint32_t mask) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string wanted = Bounded(name, 64), hash = PasswordHash(password);
    std::vector<uint8_t>& block = s.gameBlockOut;
    block.assign(QV_SERVICE_GAME_COUNT_BYTES, 0);
    uint32_t count = 0;
    for (const Game& g : s.games) {
        if ((g.flags & mask) != value) continue;
        if (wanted.empty() ? g.passwordHash != "-"
                           : (Lower(g.name) != Lower(wanted) || g.passwordHash != hash))
            continue;
        AppendGame(block, g);
        ++count;
    }
    memcpy(block.data(), &count, sizeof count);
    return block.data();
}

int GameJoinedSlot(const char* name, const char*) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    Game* g = FindGame(Bounded(name, kGameNameMax));
    if (!g) return 0;
    Announce("\x01QVGAME JOINED " + TextHex(g->name) + " " + g->creator + "\x01");
    return 1;
}

// ---- profiles -----------------------------------------------------------------------------

void OnProfileTag(const std::string& nick, const std::string& rest, bool notice) {
    State& s = S();
    if (!notice) {
        Send("NOTICE " + nick + " :\x01QVPROFILE " + TextHex(s.profile[0]) + " " + TextHex(s.profile[1]) +
             " " + TextHex(s.profile[2]) + "\x01");
        return;
    }
    if (Lower(nick) != s.profileFrom || s.answered) return;
    std::istringstream words(rest);
    std::string hex[3], values[3];
    words >> hex[0] >> hex[1] >> hex[2];
    for (int i = 0; i < 3; ++i)
        if (!HexText(hex[i], kProfileSizes[i] - 1, &values[i])) values[i].clear();
    for (int i = 0; i < 3; ++i)
        s.answer[i] = values[i];
    s.answered = true;
}

int WriteProfileSlot(const char*, int count, const char* const*, const char* const* values) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (int i = 0; values && i < count && i < 3; ++i)
        s.profile[i] = Bounded(values[i], kProfileSizes[i] - 1);
    return 1;
}

int RequestProfileSlot(const char* name, int, int, const char* const*, uint32_t) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string who = Bounded(name, 64);
    size_t star = who.find('*');
    std::string nick = star == std::string::npos ? who : who.substr(star + 1);
    s.profileFrom = Lower(nick);
    s.askedAt = NowMs();
    s.answered = false;
    if (Lower(nick) == Lower(s.nick)) { // the player's own: at once
        for (int i = 0; i < 3; ++i)
            s.answer[i] = s.profile[i];
        s.answered = true;
        return 1;
    }
    Send("PRIVMSG " + nick + " :\x01QVPROFILE\x01");
    return s.connected ? 1 : 0;
}

// Ready once the owner answered, or empty after a few seconds without an answer.
int PollProfileSlot(int count, int, char* const* buffers, const uint32_t* sizes) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.answered && NowMs() - s.askedAt < kProfileWaitMs) return 0;
    for (int i = 0; buffers && sizes && i < count && i < 3; ++i) {
        if (!buffers[i] || sizes[i] == 0) continue;
        const std::string& v = s.answered ? s.answer[i] : std::string();
        CopyText(buffers[i], sizes[i], v.c_str());
    }
    return 1;
}

} // namespace net::internal
