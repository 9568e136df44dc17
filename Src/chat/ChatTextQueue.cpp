// The chat-text queue and the chat-text lock.
//
// Owns ChatTextQueue (head and tail) and the lock that guards it. Producers
// run on the chat service's thread; the frame loop takes entries off the head.
// The lock is held only while linking or unlinking an entry.
#include "ChatTextQueue.h"

#include <atomic>
#include <cstring>

#include "../platform/Os.h"
#include "../platform/Pellick.h"

static OsLock chatTextLock;
static struct {
    ChatTextEntry* head;
    ChatTextEntry* tail;
} ChatTextQueue;
std::atomic<int32_t> chatTextQueued{0};

void CreateChatTextLock() {
    if (!chatTextLock) chatTextLock = OsLockCreate();
}

void DeleteChatTextLock() {
    // The handlers that queue are unregistered by now, so whatever is left
    // would otherwise be lost with the lock and never freed.
    while (ChatTextEntry* entry = TakeChatText())
        FreeChatText(entry);
    OsLockDelete(chatTextLock);
    chatTextLock = nullptr;
}

int QueueChatText(const char* text, int colour, int clearFirst) {
    if (!chatTextLock) return 0;
    ChatTextEntry* entry = (ChatTextEntry*)Allocate(sizeof(ChatTextEntry), __FILE__, __LINE__);
    if (!entry) return 0;
    entry->text = nullptr;
    if (text) {
        size_t length = strlen(text);
        entry->text = (char*)Allocate((uint32_t)(length + 1), __FILE__, __LINE__);
        if (!entry->text) {
            Free(entry, __FILE__, __LINE__);
            return 0;
        }
        memcpy(entry->text, text, length + 1);
    }
    entry->colour = colour;
    entry->clearFirst = clearFirst;
    entry->next = nullptr;

    OsLockEnter(chatTextLock);
    if (ChatTextQueue.tail)
        ChatTextQueue.tail->next = entry;
    else
        ChatTextQueue.head = entry;
    ChatTextQueue.tail = entry;
    chatTextQueued.fetch_add(1, std::memory_order_release);
    OsLockLeave(chatTextLock);
    return 1;
}

ChatTextEntry* TakeChatText() {
    if (!chatTextLock || !ChatTextWaiting()) return nullptr;
    OsLockEnter(chatTextLock);
    ChatTextEntry* entry = ChatTextQueue.head;
    if (entry) {
        ChatTextQueue.head = entry->next;
        if (!ChatTextQueue.head) ChatTextQueue.tail = nullptr;
        chatTextQueued.fetch_sub(1, std::memory_order_relaxed);
    }
    OsLockLeave(chatTextLock);
    return entry;
}

void FreeChatText(ChatTextEntry* entry) {
    if (!entry) return;
    if (entry->text) Free(entry->text, __FILE__, __LINE__);
    Free(entry, __FILE__, __LINE__);
}
