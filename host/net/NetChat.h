// The network chat service: a ChatServiceTable that talks to a chat server
// over its line protocol (RFC 2812), one connection per player, read by a
// thread of its own. Linux build.
//
// What travels how:
// - chat: the service's channel "Name" is the server's "#Name"; talk is a
//   channel message, a whisper a private message to the nick, an emote the
//   action form. Squelching is the service's own: the server never sees it.
// - the user description (product tag, realm, character and the fixed part)
//   travels hex-encoded in the tagged message "\x01QVDESC <hex>\x01": sent to
//   the channel on joining, answered by every member with a notice to the
//   newcomer. A user who sends none shows as "*nick" without a character; a
//   user with one as "Character*nick". Channel operators get the user flag 0x02.
// - dated messages: the server's message of the day, handed to the registered
//   handlers from the connection's thread when they are registered.
// - open-mode games: tagged messages "\x01QVGAME ...\x01" in the games channel,
//   which every client joins: a game announced, ended and joined.
// - the advertisement events and the realm logon data stay off.
// A closed connection, a socket error or a ping timeout turns IsConnected to 0
// and puts the alert "The connection to the chat server was lost." in the channel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../../include/QvMulti.h"

namespace net {

// The player's character, as the description and the launch record carry it.
struct Character {
    std::string name = "Arin", realm = "West";
    int classIndex = 0, level = 12;
    uint16_t status = 0; // progress in bits 8..12, 0x04, 0x08, 0x20
    uint8_t lookA[16] = {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 0xff, 0xff, 0xff, 0xff, 0xff};
    uint8_t lookB[16] = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 0xff, 0xff, 0xff, 0xff, 0xff};
};
// Reads "key value" lines (name, realm, class, level, status, lookA, lookB as
// 16 hex bytes); false with *error on an unreadable file or a bad line.
bool ReadCharacter(const std::string& path, Character* character, std::string* error);
// The user description the service sends for the character.
std::string DescriptionOf(const Character& character);

struct Options {
    std::string host = "127.0.0.1";
    int port = 6667;
    std::string nick = "Arin";
    Character character;
    std::string homeChannel = "Lobby";    // JoinChannel with an empty name
    std::string gamesChannel = "QvGames"; // where open-mode games are announced
    int connectTimeoutMs = 5000;          // connecting and registering
    int pingTimeoutMs = 60000;            // silence before the connection counts as lost
    int holdJoinMs = 1000;                // how long a join waits for the user's description
};

// Connects and registers; false with *error when the server cannot be reached
// or refuses. The table answers IsConnected 0 then, as it does after a fault.
bool Connect(const Options& options, std::string* error);
// Quits the server and ends the connection's thread (safe when not connected).
void Disconnect();
ChatServiceTable* Table();
bool Connected();
std::string Nick(); // as the server accepted it

// Observation for hosts and tests.
std::thread::id ConnectionThread();     // the thread that reads the connection
std::vector<std::string> GameJoiners(); // players who reported joining one of our games
int DroppedLines();                     // overlong lines discarded
// Waits until test() holds or ms pass (checked every 10 ms); its result.
bool WaitUntil(const std::function<bool()>& test, int ms);

} // namespace net
