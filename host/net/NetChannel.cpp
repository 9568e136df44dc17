// The network chat service's chat channel: the users present with their
// descriptions and flags, the chat events made from the server's lines, and
// the lines the player sends (talk, whispers, emotes, squelches, joins).
//
// A user who joins, or who is listed when we join, is held back for a moment
// (Options::holdJoinMs) so that the description the newcomer's client sends
// arrives with it; anything the user says first shows the user at once.
//
// State: the channel, its users and the online nicks (NetInternal.h), all
// under the state's lock: the connection's thread and the host's thread both
// come here.
#include <cstring>

#include "NetInternal.h"

namespace net::internal {

namespace {

User* Find(const std::string& nick) {
    auto it = S().users.find(Lower(nick));
    return it == S().users.end() ? nullptr : &it->second;
}

std::string NameOf(const User& u) {
    return UserName(u.character, u.nick);
}

// "TAHC" (the chat tag alone) for a user whose client sent no description.
std::string DescriptionText(const User& u) {
    return u.description.empty() ? "TAHC" : u.description;
}

void Show(User& u) {
    PushEvent(u.joined ? 2 : 1, u.flags, NameOf(u), DescriptionText(u));
    u.shown = true;
}

void ShowNow(User& u) {
    if (!u.shown) Show(u);
}

// The character of a description of the tags that carry one: between the
// first and the second comma after the tag, without the name's separators.
std::string CharacterOf(const std::string& d) {
    if (d.size() < 5) return "";
    std::string tag = d.substr(0, 4);
    if (tag != "VDvQ" && tag != "PXvQ" && tag != "TSvQ") return "";
    size_t first = d.find(',', 4);
    size_t second = first == std::string::npos ? first : d.find(',', first + 1);
    if (second == std::string::npos) return "";
    std::string name = d.substr(first + 1, second - first - 1);
    std::string clean;
    for (char c : name)
        if ((unsigned char)c > 0x20 && c != '*' && c != '@' && clean.size() < 15) clean.push_back(c);
    return clean;
}

std::string OwnTaggedDescription() {
    return "\x01QVDESC " + HexOf(S().ownDescription) + "\x01";
}

void TakeDescription(const std::string& nick, const std::string& hex) {
    User* u = Find(nick);
    std::string bytes;
    if (!u || !FromHex(hex.c_str(), kDescriptionMax, &bytes)) return;
    bytes = bytes.substr(0, strnlen(bytes.c_str(), bytes.size())); // the text ends at a zero byte
    u->description = bytes;
    u->character = CharacterOf(bytes);
    if (u->shown)
        PushEvent(1, u->flags, NameOf(*u), DescriptionText(*u)); // updated in place, its name may change
    else
        Show(*u);
}

void AddUser(const std::string& nick, uint32_t flags, bool joined) {
    State& s = S();
    User& u = s.users[Lower(nick)];
    u.nick = nick;
    u.flags = (u.flags & 0x20) | flags;
    u.joined = joined;
    u.heldAt = NowMs();
}

void EnterChannel(const std::string& name) {
    State& s = S();
    if (!s.channel.empty() && Lower(s.channel) != Lower(name)) Send("PART #" + s.channel);
    s.channel = name;
    s.users.clear();
    s.ownFlags = 0;
    PushEvent(7, 0, "", name);
    PushEvent(1, 0, OwnName(), S().ownDescription);
    Send("PRIVMSG #" + name + " :" + OwnTaggedDescription());
    Send("LIST");
}

bool InChatChannel(const char* channel) {
    return IsChannel(channel, S().channel);
}

bool IsSelf(const std::string& nick) {
    return Lower(nick) == Lower(S().nick);
}

// A name the server takes for a channel: no blanks, commas or control characters.
bool ValidChannelName(const std::string& name) {
    if (name.empty() || name.size() > 31) return false;
    for (char c : name)
        if ((unsigned char)c <= 0x20 || c == ',' || c == 7) return false;
    return true;
}

} // namespace

void OnJoin(const Message& m, const std::string& nick) {
    State& s = S();
    const char* channel = m.Param(0);
    if (IsChannel(channel, s.options.gamesChannel)) return OnGamesMember(nick, true);
    if (IsSelf(nick)) {
        if (channel[0] == '#' && s.inChat) EnterChannel(std::string(channel + 1, strnlen(channel + 1, 31)));
        return;
    }
    if (InChatChannel(channel)) AddUser(nick, 0, true);
}

void OnLeave(const std::string& nick, const char* channel, bool quit) {
    State& s = S();
    if (quit || IsChannel(channel, s.options.gamesChannel)) OnGamesMember(nick, false);
    if (!quit && !InChatChannel(channel)) return;
    if (IsSelf(nick)) { // kicked
        s.channel.clear();
        s.users.clear();
        PushEvent(19, 0, "", "You were removed from the channel.");
        return;
    }
    User* u = Find(nick);
    if (!u) return;
    if (u->shown) PushEvent(3, u->flags, NameOf(*u), "");
    s.users.erase(Lower(nick));
}

void OnNickChange(const std::string& from, const std::string& to) {
    State& s = S();
    OnGamesMember(from, false);
    OnGamesMember(to, true);
    if (IsSelf(from)) {
        s.nick = to;
        return;
    }
    User* u = Find(from);
    if (!u) return;
    User moved = *u;
    if (u->shown) PushEvent(3, u->flags, NameOf(*u), "");
    s.users.erase(Lower(from));
    moved.nick = to;
    moved.shown = false;
    moved.joined = true;
    s.users[Lower(to)] = moved;
    Show(s.users[Lower(to)]);
}

// "= #channel :@op +voice plain": the members when we join.
void OnNames(const Message& m) {
    State& s = S();
    const char* channel = m.Param(2);
    bool games = IsChannel(channel, s.options.gamesChannel);
    if (!games && !InChatChannel(channel)) return;
    std::string list = m.Param(3);
    size_t at = 0;
    while (at < list.size()) {
        size_t end = list.find(' ', at);
        std::string word = list.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? list.size() : end + 1;
        uint32_t flags = 0;
        while (!word.empty() && strchr("~&@%+", word[0])) {
            if (word[0] != '+' && word[0] != '%') flags |= 0x02;
            word.erase(0, 1);
        }
        if (word.empty()) continue;
        if (games) {
            OnGamesMember(word, true);
        } else if (IsSelf(word)) {
            s.ownFlags = flags;
            if (flags) PushEvent(9, flags, OwnName(), s.ownDescription);
        } else {
            AddUser(word, flags, false);
        }
    }
}

// Operator status given or taken: "MODE #channel +o-o nick nick".
void OnMode(const Message& m) {
    State& s = S();
    if (!InChatChannel(m.Param(0))) return;
    const char* modes = m.Param(1);
    bool adding = true;
    int arg = 2;
    for (const char* p = modes; *p; ++p) {
        if (*p == '+' || *p == '-') {
            adding = *p == '+';
            continue;
        }
        bool takesArgument = strchr("ovhaqbeIkl", *p) && !(*p == 'l' && !adding);
        std::string nick = takesArgument ? m.Param(arg++) : "";
        if (*p != 'o' && *p != 'a' && *p != 'q') continue;
        if (IsSelf(nick)) {
            s.ownFlags = adding ? (s.ownFlags | 0x02) : (s.ownFlags & ~0x02u);
            PushEvent(9, s.ownFlags, OwnName(), s.ownDescription);
        } else if (User* u = Find(nick)) {
            u->flags = adding ? (u->flags | 0x02) : (u->flags & ~0x02u);
            if (u->shown) PushEvent(9, u->flags, NameOf(*u), DescriptionText(*u));
        }
    }
}

void OnText(const std::string& nick, const char* target, const char* text, bool notice) {
    State& s = S();
    std::string word, rest;
    bool tagged = Tagged(text, &word, &rest);
    bool toChannel = InChatChannel(target), toMe = IsSelf(target);
    if (tagged && word == "QVGAME" && IsChannel(target, s.options.gamesChannel))
        return OnGameMessage(nick, rest);
    if (tagged && word == "QVGAME" && toMe) return OnGameMessage(nick, rest);
    if (tagged && word == "QVPROFILE" && toMe) return OnProfileTag(nick, rest, notice);
    if (!toChannel && !toMe) return;
    if (tagged && word == "QVDESC") {
        if (!rest.empty()) TakeDescription(nick, rest);
        // A newcomer's announcement, or a request: our own description goes back to the sender.
        if (!notice && (toChannel || rest.empty())) Send("NOTICE " + nick + " :" + OwnTaggedDescription());
        return;
    }
    if (notice || (tagged && word != "ACTION")) return;
    User* u = Find(nick);
    if (u) ShowNow(*u);
    if (u && (u->flags & 0x20)) return; // squelched: the player sees no more of the user's lines
    std::string name = u ? NameOf(*u) : UserName("", nick);
    uint32_t flags = u ? u->flags : 0;
    if (tagged) return PushEvent(23, flags, name, rest);
    PushEvent(toChannel ? 5 : 4, flags, name, text);
}

void OnJoinRefused(const char* channel, uint32_t event) {
    PushEvent(event, 0, "", channel[0] == '#' ? channel + 1 : channel);
}

void OnNoSuchNick(const char*) {
    PushEvent(6, 0, "", "That user is not logged on.");
}

void ShowHeldUsers(uint64_t now) {
    for (auto& entry : S().users) {
        User& u = entry.second;
        if (!u.shown && now - u.heldAt >= (uint64_t)S().options.holdJoinMs) Show(u);
    }
}

void ConnectionLost() {
    State& s = S();
    PushEvent(19, 0, "", "The connection to the chat server was lost.");
    s.announceDone = true;
    s.announceOutcome = 0;
}

void JoinChannelNamed(const std::string& name) {
    if (!ValidChannelName(name)) return PushEvent(15, 0, "", name);
    Send("JOIN #" + name);
}

void LeaveChatChannel() {
    State& s = S();
    if (!s.channel.empty()) Send("PART #" + s.channel);
    s.channel.clear();
    s.users.clear();
}

void ResetChannel() {
    S().channel.clear();
    S().users.clear();
    S().online.clear();
}

// ---- what the player sends ------------------------------------------------------------------

namespace {

// "*account", "Character*account" or "account": the nick is the account.
std::string NickOf(const std::string& target) {
    size_t star = target.find('*');
    return star == std::string::npos ? target : target.substr(star + 1);
}

bool KnownNick(const std::string& nick) {
    return Find(nick) || S().online.count(Lower(nick));
}

// Long texts go as several lines, each cut at a character boundary.
void SendText(const std::string& target, const std::string& text, bool action) {
    size_t at = 0;
    do {
        size_t length = Utf8Cut(text.c_str() + at, text.size() - at, kSendTextMax);
        if (length == 0 && at < text.size()) length = text.size() - at; // not UTF-8: cut anywhere
        std::string piece = text.substr(at, length);
        Send("PRIVMSG " + target + " :" +
             (action ? "\x01"
                       "ACTION " +
                           piece + "\x01"
                     : piece));
        at += length;
    } while (at < text.size());
}

void Whisper(const std::string& rest) {
    size_t blank = rest.find(' ');
    std::string nick = NickOf(rest.substr(0, blank));
    std::string text = blank == std::string::npos ? "" : rest.substr(blank + 1);
    if (nick.empty() || text.empty()) return PushEvent(6, 0, "", "Usage: /whisper *account message");
    if (!KnownNick(nick) || IsSelf(nick)) return PushEvent(6, 0, "", "That user is not logged on.");
    SendText(nick, text, false);
    User* u = Find(nick);
    PushEvent(10, 0, u ? NameOf(*u) : UserName("", nick), text);
}

void Emote(const std::string& rest) {
    State& s = S();
    if (s.channel.empty() || rest.empty()) return;
    SendText("#" + s.channel, rest, true);
    PushEvent(23, s.ownFlags, OwnName(), rest);
}

void Squelch(const std::string& rest, bool on) {
    User* u = Find(NickOf(rest.substr(0, rest.find(' '))));
    if (!u) return PushEvent(6, 0, "", "That user is not in the channel.");
    u->flags = on ? (u->flags | 0x20) : (u->flags & ~0x20u);
    ShowNow(*u);
    PushEvent(9, u->flags, NameOf(*u), DescriptionText(*u));
}

void Join(const std::string& rest) {
    JoinChannelNamed(rest.empty() ? S().options.homeChannel : rest);
}

struct Command {
    const char* word;
    void (*run)(const std::string& rest);
};
void SquelchOn(const std::string& rest) {
    Squelch(rest, true);
}
void SquelchOff(const std::string& rest) {
    Squelch(rest, false);
}
// clang-format off
const Command kCommands[] = {
    {"w",         Whisper},
    {"whisper",   Whisper},
    {"m",         Whisper},
    {"msg",       Whisper},
    {"me",        Emote},
    {"emote",     Emote},
    {"squelch",   SquelchOn},
    {"ignore",    SquelchOn},
    {"unsquelch", SquelchOff},
    {"unignore",  SquelchOff},
    {"join",      Join},
    {"j",         Join},
    {"channel",   Join},
};
// clang-format on
static_assert(sizeof kCommands / sizeof kCommands[0] == 13, "one row per command word");

void RunCommand(const std::string& line) {
    size_t blank = line.find(' ');
    std::string word = Lower(line.substr(1, blank == std::string::npos ? std::string::npos : blank - 1));
    size_t restAt = blank == std::string::npos ? std::string::npos : line.find_first_not_of(' ', blank);
    std::string rest = restAt == std::string::npos ? "" : line.substr(restAt);
    for (const Command& c : kCommands)
        if (word == c.word) return c.run(rest);
    PushEvent(6, 0, "", "That is not a valid command.");
}

} // namespace

int SendChatLineSlot(const char* text) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.connected || !text) return 0;
    std::string line(text, strnlen(text, 1024));
    if (!line.empty() && line[0] == '/') {
        RunCommand(line);
    } else if (!s.channel.empty() && !line.empty()) {
        SendText("#" + s.channel, line, false); // the module shows the player's own line itself
    }
    return 1;
}

int JoinChannelSlot(const char* name, int, int) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string channel = name ? std::string(name, strnlen(name, 64)) : "";
    JoinChannelNamed(channel.empty() ? s.options.homeChannel : channel);
    return s.connected ? 1 : 0;
}

} // namespace net::internal
