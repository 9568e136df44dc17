// The chat-text queue: texts waiting for the chat pane, handed from the chat
// service's thread to the frame loop under the chat-text lock.
//
// Kept apart from the toolkit side (DatedMessages.cpp) so that it builds on
// its own, with nothing but the allocator and the OS layer.
#pragma once

#include <atomic>
#include <cstdint>

struct ChatTextEntry {
    char* text;         // own copy of the text, or null
    int32_t colour;     // chat pane colour
    int32_t clearFirst; // non-zero: clear the pane before drawing this entry
    ChatTextEntry* next;
};

// The lock lives from just before the lobby loop to just after it.
void CreateChatTextLock();
// Deletes the lock; entries still queued are freed undrawn.
void DeleteChatTextLock();
// Copies text (null: an entry without text) and appends it at the tail;
// 0 when nothing was queued (no memory, or no lock).
int QueueChatText(const char* text, int colour, int clearFirst);
// Unlinks the head entry, or returns null when the queue is empty. The caller
// draws it and hands it back to FreeChatText.
ChatTextEntry* TakeChatText();
void FreeChatText(ChatTextEntry* entry);
// Entries queued and not yet taken: changed under the lock, read without it,
// so that an idle frame sees an empty queue without taking the lock.
extern std::atomic<int32_t> chatTextQueued;
inline int ChatTextWaiting() {
    return chatTextQueued.load(std::memory_order_acquire) != 0;
}
