// Restoring the realm connection before the lobby enters chat.
//
// Owns connectCancelled. When the player comes from a realm whose connection
// has closed meanwhile, this logs on again with the logon data the chat
// service hands out and selects the player's character, waiting for each step
// in a nested screen loop behind a cancellable wait popup.
#include <cstring>

#include "Lobby.h"

static int32_t connectCancelled;

enum { kWaitTextId = 5243 };
// The logon block: a 32-bit byte count, then the data; anything of 8 bytes or
// less cannot be a logon.
enum { kLogonCountSize = sizeof(RealmLogonData), kMinLogonBytes = QV_LOGON_DATA_MIN_LENGTH - 1 };

static int CancelConnect(uint32_t) {
    connectCancelled = 1;
    return 1;
}

static int LogonWaitFrame(uint32_t) {
    if (OsWaitZero(RealmLogonEvent(0)) || connectCancelled) EndScreenLoop();
    return 1;
}

static int SelectWaitFrame(uint32_t) {
    RealmPump();
    if (RealmSelectDone() || !RealmIsConnected() || connectCancelled) {
        RealmEndWait(0);
        EndScreenLoop();
    }
    return 1;
}

static int StartLogon(const char* realm) {
    const uint8_t* block = (const uint8_t*)GetRealmLogonData(chatService, realm, "password");
    if (!block) return 0;
    uint32_t count;
    memcpy(&count, block, sizeof count);
    if (count <= kMinLogonBytes) return 0;
    RealmStartLogon(block + kLogonCountSize, count);
    return 1;
}

int RestoreRealmConnection() {
    char realm[sizeof launch->realmName];
    TextCopyN(realm, sizeof realm, launch->realmName, (int)sizeof launch->realmName);
    if (!realm[0]) return 1;
    if (!chatService || !IsConnected(chatService)) return 0;
    if (RealmIsConnected()) return 1;

    connectCancelled = 0;
    ShowWaitMessage(GetString(kWaitTextId), CancelConnect);
    // Without logon data the popup stays; the chat tick soon replaces it with
    // the connection-lost message.
    if (!StartLogon(realm)) return 0;
    RunScreenLoop(LogonWaitFrame);
    if (connectCancelled || !RealmIsConnected() || RealmLastStatus() != 0) {
        CloseTransients();
        return 0;
    }

    // The popup stays up through the character selection too, so the player
    // can still give up if the realm never answers.
    char name[sizeof launch->characterName];
    TextCopyN(name, sizeof name, launch->characterName, (int)sizeof launch->characterName);
    RealmSelectCharacter(name);
    RunScreenLoop(SelectWaitFrame);
    CloseTransients();
    return RealmLastStatus() == 0 && RealmIsConnected() && !connectCancelled;
}
