// Between the pieces of the network chat service: the connection's state and
// the handlers of the server's lines.
//
// One mutex guards the state; the connection's thread holds it while it
// handles a line, the host's thread while a slot runs. Sending takes a mutex
// of its own, always after the state's (never the other way round). The two
// dated-message handlers sit under a third mutex, held while either runs.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "IrcLine.h"
#include "NetChat.h"

namespace net::internal {

constexpr size_t kUserNameMax = 49;     // the module keeps 50 bytes with the terminator
constexpr size_t kDescriptionMax = 200; // a description's bytes
constexpr size_t kSendTextMax = 400;    // a sent text's bytes: the relayed line stays within 512
constexpr size_t kEventQueueMax = 100000;

struct User {
    std::string nick;        // as the server writes it
    std::string description; // the raw description, "" when none arrived
    std::string character;   // taken from the description
    uint32_t flags = 0;      // 0x02 operator, 0x20 squelched
    bool shown = false;      // the module has been told of the user
    bool joined = false;     // joined while we were there: event 2, not 1
    uint64_t heldAt = 0;     // when first seen: the join waits a little for the description
};

struct Game {
    std::string name, passwordHash, statText, creator;
    uint32_t address = 0, flags = 0;
};

struct State {
    std::mutex mutex; // everything below, except where said
    Options options;
    int fd = -1;
    std::atomic<bool> connected{false};
    bool registered = false, failed = false;
    std::string failure;
    std::condition_variable changed; // registration and faults
    std::thread reader;
    std::atomic<bool> stopping{false};
    std::thread::id readerId;
    int nickTries = 0;
    std::string nick;
    std::string ownDescription;
    uint32_t localAddress = 0; // as it lies in memory: first byte first
    uint64_t lastHeard = 0;
    bool pingSent = false;
    int dropped = 0;

    // The chat channel.
    bool inChat = false;
    std::string channel;               // joined, without '#'; "" none
    std::map<std::string, User> users; // of the chat channel, by lower-case nick
    uint32_t ownFlags = 0;
    std::set<std::string> online; // lower-case nicks of the games channel's members
    std::deque<std::array<uint8_t, QV_EVENT_RECORD_SIZE>> events;
    std::vector<std::string> listing, listed; // LIST being read, and the last one read

    // Open-mode games.
    std::vector<Game> games; // announced by others
    Game ownGame;
    bool hasOwnGame = false, announceDone = true;
    uint32_t announceOutcome = 0;
    int announceToken = 0;
    std::vector<std::string> joiners;

    // Profiles.
    std::string profile[3];
    std::string profileFrom; // lower-case nick asked, "" none
    std::string answer[3];
    bool answered = false;
    uint64_t askedAt = 0;

    // The message of the day.
    std::string motd;
    bool motdWanted = false;

    // The host's thread's copies of what the module reads after a slot returns.
    std::vector<char> channelListOut;
    std::vector<uint8_t> gameBlockOut;
    std::string ownNameOut;

    std::mutex sendMutex; // the socket's writes

    std::mutex handlerMutex; // the handlers, held while one runs
    DatedMessageHandler dated = nullptr;
    ClearMessagesHandler clear = nullptr;
};
State& S();
uint64_t NowMs();

// Sends one line (CR, LF and NUL removed, cut to 510 bytes); no-op when not connected.
void Send(const std::string& line);
// Queues a chat event for PollEvent; the name and the text are cut so that both fit the record.
void PushEvent(uint32_t number, uint32_t flags, const std::string& name, const std::string& text);
// "Character*nick", or "*nick" without a character, cut to kUserNameMax.
std::string UserName(const std::string& character, const std::string& nick);
std::string OwnName();
bool IsChannel(const char* target, const std::string& name); // "#name", ignoring case
// A tagged message "\x01WORD rest\x01": false for plain text; *word and *rest filled.
bool Tagged(const char* text, std::string* word, std::string* rest);

// ---- the chat channel (NetChannel.cpp) --------------------------------------------
void OnJoin(const Message& m, const std::string& nick);
void OnLeave(const std::string& nick, const char* channel, bool quit); // channel null on quit
void OnNickChange(const std::string& from, const std::string& to);
void OnNames(const Message& m);
void OnMode(const Message& m);
void OnText(const std::string& nick, const char* target, const char* text, bool notice);
void OnJoinRefused(const char* channel, uint32_t event);
void OnNoSuchNick(const char* nick);
void ShowHeldUsers(uint64_t now); // the joins whose description has not come in time
void ConnectionLost();            // the alert and the end of waits
int SendChatLineSlot(const char* text);
int JoinChannelSlot(const char* name, int flag, int zero);
void JoinChannelNamed(const std::string& name);
void LeaveChatChannel();
void ResetChannel();

// ---- games and profiles (NetGames.cpp) ---------------------------------------------
void OnGameMessage(const std::string& nick, const std::string& rest);
void OnGamesMember(const std::string& nick, bool joined); // joined or left the games channel
void OnPong(const char* token);
void OnProfileTag(const std::string& nick, const std::string& rest, bool notice);
void ResetGames();
int AnnounceGameSlot(const char* name, const char* password, const char* text, uint32_t flags);
const void* GameListQuerySlot(const char* name, const char* password, uint32_t kindFlags,
                              uint32_t filterFlags);
int GameJoinedSlot(const char* name, const char* password);
int QueueQuerySlot(uint32_t* outcome);
int WriteProfileSlot(const char* name, int count, const char* const* keys, const char* const* values);
int RequestProfileSlot(const char* name, int count, int flag, const char* const* keys, uint32_t value);
int PollProfileSlot(int count, int flag, char* const* buffers, const uint32_t* sizes);

} // namespace net::internal
