// The launch record as the host fills it for a visit, and the visit call.
#include <cstring>

#include "StandIn.h"

namespace standin {

namespace {
void Put(char* field, size_t size, const char* text) {
    size_t n = strlen(text) < size ? strlen(text) : size - 1;
    memcpy(field, text, n);
    field[n] = 0;
}
} // namespace

void FillLaunchRecord(LaunchRecord* record) {
    if (!record) return;
    memset(record, 0, sizeof *record);
    record->chatService = ChatTable();
    Put(record->accountName, sizeof record->accountName, "Tester");
    Put(record->characterName, sizeof record->characterName, "Arin");
    record->characterClass = 0;
    record->characterLevel = 12;
    Put(record->channelName, sizeof record->channelName, "Lobby");
    // realmName and homeChannelName stay empty, accountKind 0, no guard word.
}

uint32_t RunVisit(const LobbyInterface* lobby, LaunchRecord* record) {
    return lobby->RunLobby(record);
}

} // namespace standin
