// The chat service's events.
#include "../core/Lobby.h"

static int IgnoreEvent(uint32_t, uint32_t, const char*, const char*) { return 0; }

const ChatEventHandler ChatEventTable[kChatEventCount] = {
    IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent,
    IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent,
    IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent, IgnoreEvent,
};
int32_t joinLeaveNotices = 0;
char replyTarget[256];
char joinedChannel[256];

void DispatchChatEvent(const uint8_t*) {}
