// The join game list, the game details panel and the rules they share with
// game creation. Each block names the unit that owns (defines) it.
//
// Index:
//   1. game rules      (games/GameRules.cpp)
//   2. join game list  (games/JoinGame.cpp)
//   3. game details    (games/GameDetails.cpp)
#pragma once

#include <cstddef>
#include <cstdint>

#include "../core/Lobby.h"

// ---- 1. game rules (games/GameRules.cpp) -----------------------------------
// The progress number: bits 8..12 of characterFlags.
int CharacterProgress();
// 1 when the character may play difficulty 1 or 2 (0 is always open).
int DifficultyUnlocked(int difficulty);
// A character of a game name: letters, digits, space, apostrophe, hyphen, underscore.
int IsGameNameCharacter(uint16_t ch);

// ---- 2. join game list (games/JoinGame.cpp) ---------------------------------
// One listed game.
struct GameListRecord {
    char name[16];
    char description[32];
    uint16_t players;
    uint16_t id;
    uint32_t address;
};
static_assert(offsetof(GameListRecord, description) == 16, "game record layout");
static_assert(offsetof(GameListRecord, players) == 48, "game record layout");
static_assert(offsetof(GameListRecord, id) == 50, "game record layout");
static_assert(offsetof(GameListRecord, address) == 52, "game record layout");
static_assert(sizeof(GameListRecord) == 56, "game record layout");

#pragma pack(push, 1)
// One reply of the realm's game-list answer, as the realm client hands it over.
struct GameListReply {
    uint32_t endMarker; // non-zero in the reply that closes the list (no game)
    uint16_t requestId;
    uint8_t gap0[2];
    uint16_t gameId;
    uint8_t gap1[10];
    uint16_t players;
    uint8_t gap2[6];
    char name[16];
    char description[32];
};
// The filter handed to RealmRequestGameList.
struct GameListFilter {
    uint8_t zero[20];
    uint32_t flags; // 0x800 for a character with characterFlags 0x0004
};
// The head of one game of the chat service's game block; three texts follow it
// (name, a text the lobby does not read, statText).
struct ServiceGameHeader {
    uint8_t gap0[12];
    uint32_t address;
    uint8_t gap1[16];
};
#pragma pack(pop)
static_assert(offsetof(GameListReply, requestId) == 4, "list reply layout");
static_assert(offsetof(GameListReply, gameId) == 8, "list reply layout");
static_assert(offsetof(GameListReply, players) == 20, "list reply layout");
static_assert(offsetof(GameListReply, name) == 28, "list reply layout");
static_assert(offsetof(GameListReply, description) == 44, "list reply layout");
static_assert(sizeof(GameListReply) == 76, "list reply layout");
static_assert(offsetof(GameListFilter, flags) == 20 && sizeof(GameListFilter) == 24, "list filter layout");
static_assert(offsetof(ServiceGameHeader, address) == 12 && sizeof(ServiceGameHeader) == 32,
              "service game layout");

enum { kMaxGameRecords = 1000, kDoubleClickMs = 500, kListRequestGapMs = 5000 };
extern GameListRecord gameRecords[kMaxGameRecords];
extern GameListRecord shownRecords[kMaxGameRecords];
extern int32_t gameCount, shownCount;
extern uint32_t listRequestTime;
extern int32_t lastClickRow;
extern uint32_t lastClickTime;
extern QvControl gameList, gameInfoBox, joinNameField, joinPasswordField, joinButton;

int OpenJoinGameDialog(uint32_t arg);
void CloseJoinGameDialog();
void RequestGameList();
void RebuildGameList();
void AddGameListEntry(const uint8_t* reply, uint32_t size);
// A list or info reply taken while the dialog owns them (lobbyState 3).
void RouteListReply(uint16_t requestId, const uint8_t* reply, uint32_t size);
int StartJoinRequest(const char* name, const char* password, uint16_t gameWord, const char* addressText);

// ---- 3. game details (games/GameDetails.cpp) --------------------------------
#pragma pack(push, 1)
// The realm's answer to RealmRequestGameInfo.
struct GameInfoReply {
    uint8_t gap0[4];
    uint16_t requestId;
    uint8_t gap1[6];
    uint32_t elapsedSeconds;
    uint8_t referenceLevel;
    uint8_t levelDifference; // 0: exactly the reference level, 100 or more: no restriction
    uint8_t maxPlayers;
    uint8_t gap2;
    uint32_t playerCount;
    uint8_t gap3[20];
    char description[32];
    uint16_t playerClass[16];
    uint16_t playerLevel[16];
    char playerName[16][16];
};
#pragma pack(pop)
static_assert(offsetof(GameInfoReply, requestId) == 4, "info reply layout");
static_assert(offsetof(GameInfoReply, elapsedSeconds) == 12, "info reply layout");
static_assert(offsetof(GameInfoReply, referenceLevel) == 16, "info reply layout");
static_assert(offsetof(GameInfoReply, levelDifference) == 17, "info reply layout");
static_assert(offsetof(GameInfoReply, maxPlayers) == 18, "info reply layout");
static_assert(offsetof(GameInfoReply, playerCount) == 20, "info reply layout");
static_assert(offsetof(GameInfoReply, description) == 44, "info reply layout");
static_assert(offsetof(GameInfoReply, playerClass) == 76, "info reply layout");
static_assert(offsetof(GameInfoReply, playerLevel) == 108, "info reply layout");
static_assert(offsetof(GameInfoReply, playerName) == 140, "info reply layout");
static_assert(sizeof(GameInfoReply) == 396, "info reply layout");

void ShowGameInfo(const uint8_t* reply, uint32_t size);
void ShowRecordInfo(int row);
