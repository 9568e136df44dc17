// A visit against a real chat server (qvhost --irc): the player's connection
// through the network chat service (host/net), the launch record filled from
// the player's nick and character, and after the visit the creator of an
// open-mode game waiting for its first player.
//
// State: none; the connection is the network service's.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Scenario.h"

#if defined(QV_NET)
#include "../net/NetChat.h"
#endif

namespace qvhost {

#if defined(QV_NET)

static bool Address(const std::string& text, std::string* host, int* port) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    char* end = nullptr;
    long p = std::strtol(text.c_str() + colon + 1, &end, 10);
    if (*end || p < 1 || p > 65535) return false;
    *host = text.substr(0, colon);
    *port = (int)p;
    return true;
}

static void Put(char* field, size_t size, const std::string& text) {
    memset(field, 0, size);
    memcpy(field, text.data(), text.size() < size ? text.size() : size - 1);
}

bool PrepareNetVisit(const Options& options, LaunchRecord* record) {
    if (options.irc.empty()) return true;
    net::Options o;
    if (!Address(options.irc, &o.host, &o.port)) {
        std::fprintf(stderr, "qvhost: --irc takes HOST:PORT\n");
        return false;
    }
    if (!options.nick.empty()) o.nick = options.nick;
    std::string error;
    if (!options.characterFile.empty() && !net::ReadCharacter(options.characterFile, &o.character, &error)) {
        std::fprintf(stderr, "qvhost: %s\n", error.c_str());
        return false;
    }
    Put(record->accountName, sizeof record->accountName, o.nick);
    Put(record->characterName, sizeof record->characterName, o.character.name);
    Put(record->realmName, sizeof record->realmName, ""); // games are made without a realm
    record->characterClass = (uint8_t)o.character.classIndex;
    record->characterLevel = (uint8_t)o.character.level;
    record->characterFlags = o.character.status;
    memcpy(record->figureLookA, o.character.lookA, 16);
    memcpy(record->figureLookB, o.character.lookB, 16);
    record->chatService = net::Table();
    if (!net::Connect(o, &error)) std::fprintf(stderr, "qvhost: %s\n", error.c_str());
    return true;
}

void EndNetVisit(const Options& options, const LaunchRecord* record, uint32_t result) {
    if (options.irc.empty()) return;
    if (result == 1 && record->nextAction == 6 && net::Connected()) {
        std::printf("hosting \"%s\" at %s; waiting for a player (two minutes at most)\n", record->gameName,
                    record->gameInfo);
        std::fflush(stdout);
        if (net::WaitUntil([] { return !net::GameJoiners().empty(); }, 120000))
            std::printf("%s joined \"%s\"\n", net::GameJoiners()[0].c_str(), record->gameName);
    }
    if (result == 1 && record->nextAction == 7)
        std::printf("joining \"%s\" at %s\n", record->gameName, record->gameInfo);
    net::Disconnect();
}

#else

bool PrepareNetVisit(const Options& options, LaunchRecord*) {
    if (options.irc.empty()) return true;
    std::fprintf(stderr, "qvhost: --irc is not available in this build (use the Linux build)\n");
    return false;
}

void EndNetVisit(const Options&, const LaunchRecord*, uint32_t) {}

#endif

} // namespace qvhost
