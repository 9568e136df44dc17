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

// GameListReply, GameListFilter and ServiceGameHeader, the records exchanged
// with the realm client and the chat service, are the public contract's
// (include/QvMulti.h).

enum { kMaxGameRecords = 1000, kListRequestGapMs = 5000 };
extern GameListRecord gameRecords[kMaxGameRecords];
extern GameListRecord shownRecords[kMaxGameRecords];
extern int32_t gameCount, shownCount;
extern uint32_t listRequestTime;
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
// GameInfoReply, the realm's answer to RealmRequestGameInfo, is the public
// contract's (include/QvMulti.h).

void ShowGameInfo(const uint8_t* reply, uint32_t size);
void ShowRecordInfo(int row);
