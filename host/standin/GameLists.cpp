// Scripted game lists: the realm client's games with their details, answered
// to list and info requests as the realm sends them, and the chat service's
// games, served as its game block.
//
// The records are the public contract's (GameListReply, GameInfoReply,
// ServiceGameHeader); the service's block is a 32-bit count and, per game, a
// header followed by the name, an empty text and the statText.
//
// State: the scripted realm and service games (none until one is added), and
// the service block last handed out (it stays valid until the next query).
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>

#include "Services.h"
#include "Saved.h"
#include "StandIn.h"

namespace {

struct GameListState {
    bool realmScripted = false, serviceScripted = false;
    std::vector<standin::RealmGame> realmGames;
    std::vector<standin::ServiceGame> serviceGames;
    std::vector<uint8_t> block;
};

GameListState& G() {
    static GameListState* state = new GameListState;
    return *state;
}

void Put16(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    bytes[at] = (uint8_t)value;
    bytes[at + 1] = (uint8_t)(value >> 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    Put16(bytes, at, value & 0xffff);
    Put16(bytes, at + 2, value >> 16);
}

// A text field: at most size - 1 bytes, the rest zero.
void PutText(std::vector<uint8_t>& bytes, size_t at, size_t size, const std::string& text) {
    memcpy(&bytes[at], text.data(), std::min(text.size(), size - 1));
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower((unsigned char)x) == std::tolower((unsigned char)y);
           });
}

template <typename Game> void Replace(std::vector<Game>& games, const Game& game) {
    for (Game& g : games)
        if (g.name == game.name) {
            g = game;
            return;
        }
    games.push_back(game);
}

template <typename Game> void Remove(std::vector<Game>& games, const std::string& name) {
    games.erase(std::remove_if(games.begin(), games.end(), [&](const Game& g) { return g.name == name; }),
                games.end());
}

} // namespace

namespace standin {

void AddRealmGame(const RealmGame& game) {
    G().realmScripted = true;
    Replace(G().realmGames, game);
}

void RemoveRealmGame(const std::string& name) {
    Remove(G().realmGames, name);
}

std::vector<uint8_t> GameListReplyBytes(const RealmGame& game, uint16_t requestId) {
    std::vector<uint8_t> bytes(sizeof(GameListReply));
    Put16(bytes, offsetof(GameListReply, requestId), requestId);
    Put16(bytes, offsetof(GameListReply, gameId), game.id);
    Put16(bytes, offsetof(GameListReply, players), game.players);
    PutText(bytes, offsetof(GameListReply, name), sizeof GameListReply::name, game.name);
    PutText(bytes, offsetof(GameListReply, description), sizeof GameListReply::description, game.description);
    return bytes;
}

std::vector<uint8_t> GameListEndBytes(uint16_t requestId) {
    std::vector<uint8_t> bytes(sizeof(GameListReply));
    Put32(bytes, offsetof(GameListReply, endMarker), 1);
    Put16(bytes, offsetof(GameListReply, requestId), requestId);
    return bytes;
}

std::vector<uint8_t> GameInfoReplyBytes(const RealmGame& game, uint16_t requestId) {
    std::vector<uint8_t> bytes(sizeof(GameInfoReply));
    Put16(bytes, offsetof(GameInfoReply, requestId), requestId);
    Put32(bytes, offsetof(GameInfoReply, elapsedSeconds), game.elapsedSeconds);
    bytes[offsetof(GameInfoReply, referenceLevel)] = game.level;
    bytes[offsetof(GameInfoReply, levelDifference)] = game.difference;
    bytes[offsetof(GameInfoReply, maxPlayers)] = game.maxPlayers;
    Put32(bytes, offsetof(GameInfoReply, playerCount), (uint32_t)game.playerList.size());
    PutText(bytes, offsetof(GameInfoReply, description), sizeof GameInfoReply::description, game.description);
    for (size_t i = 0; i < game.playerList.size() && i < 16; ++i) {
        Put16(bytes, offsetof(GameInfoReply, playerClass) + 2 * i, game.playerList[i].classIndex);
        Put16(bytes, offsetof(GameInfoReply, playerLevel) + 2 * i, game.playerList[i].level);
        PutText(bytes, offsetof(GameInfoReply, playerName) + 16 * i, 16, game.playerList[i].name);
    }
    return bytes;
}

void AddServiceGame(const ServiceGame& game) {
    G().serviceScripted = true;
    Replace(G().serviceGames, game);
}

void RemoveServiceGame(const std::string& name) {
    Remove(G().serviceGames, name);
}

std::vector<uint8_t> GameBlockBytes(const std::vector<ServiceGame>& games) {
    std::vector<uint8_t> bytes(QV_SERVICE_GAME_COUNT_BYTES);
    Put32(bytes, 0, (uint32_t)games.size());
    for (const ServiceGame& game : games) {
        size_t head = bytes.size();
        bytes.resize(head + sizeof(ServiceGameHeader));
        Put32(bytes, head + offsetof(ServiceGameHeader, address), game.address);
        for (const std::string& text : {game.name, std::string(), game.statText}) {
            bytes.insert(bytes.end(), text.begin(), text.end());
            bytes.push_back(0);
        }
    }
    return bytes;
}

} // namespace standin

namespace standin::internal {

void AnswerGameList(uint16_t requestId) {
    if (!G().realmScripted) return;
    for (const RealmGame& game : G().realmGames)
        PushListReply(requestId, 0, GameListReplyBytes(game, requestId));
    PushListReply(requestId, 0, GameListEndBytes(requestId));
}

void AnswerGameInfo(const char* name, uint16_t requestId) {
    if (!G().realmScripted || !name) return;
    for (const RealmGame& game : G().realmGames)
        if (game.name == name) {
            PushListReply(requestId, 0, GameInfoReplyBytes(game, requestId));
            return;
        }
}

const void* ServiceGameBlock(const char* name) {
    GameListState& g = G();
    if (!g.serviceScripted) return nullptr;
    std::vector<ServiceGame> answer;
    for (const ServiceGame& game : g.serviceGames)
        if (!name || SameIgnoringCase(game.name, name)) answer.push_back(game);
    g.block = GameBlockBytes(answer);
    return g.block.data();
}

void ResetGameLists() {
    G() = GameListState();
}

} // namespace standin::internal

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {
Part SaveGameLists() {
    return Copy(G());
}
void RestoreGameLists(const Part& part) {
    G() = Copied<GameListState>(part);
}
} // namespace standin::saved
