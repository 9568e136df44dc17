// The channel user list and the name memory.
#include "../core/Lobby.h"

ChannelUser* channelUsers = nullptr;
int32_t userCount = 0;

int ParseUserInfo(ChannelUser*, const char*, int, uint32_t) { return 7; }
ChannelUser* AddOrUpdateUser(const char*, const char*, int, uint32_t) { return nullptr; }
int UpdateUserFlags(const char*, const char*, int, uint32_t) { return 0; }
int RemoveUser(const char*, char*, int) { return 0; }
void ClearUsers() {}
void ResolveSpeaker(const char*, char* title, int, char* display, int) {
    title[0] = 0;
    display[0] = 0;
}
void SetChannelTitle(const char*) {}
