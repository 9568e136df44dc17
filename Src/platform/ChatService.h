// The chat service's function table, passed in by the host.
//
// The table is a row of 32-bit slots owned by the host; the module never changes
// it and calls a slot only through the typed call below that bears its name.
// Unlisted slots are never called. Texts are zero-terminated 8-bit strings.
#pragma once

#include <cstdint>

#include "../../include/QvMulti.h"

// The table, its slot numbers, the handler types and the slots' function
// types are the public contract's (include/QvMulti.h).
template <typename Fn> inline Fn ChatSlotFn(const ChatServiceTable* t, ChatSlot s) {
    return reinterpret_cast<Fn>(t->slot[s]);
}

inline int EnterChatPlain(const ChatServiceTable* t) {
    return ChatSlotFn<EnterChatPlainFn>(t, kSlotEnterChatPlain)();
}
inline int SendChatLine(const ChatServiceTable* t, const char* text) {
    return ChatSlotFn<SendChatLineFn>(t, kSlotSendChatLine)(text);
}
inline const char* GetOwnName(const ChatServiceTable* t) {
    return ChatSlotFn<GetOwnNameFn>(t, kSlotGetOwnName)();
}
inline int JoinChannel(const ChatServiceTable* t, const char* name, int flag, int zero) {
    return ChatSlotFn<JoinChannelFn>(t, kSlotJoinChannel)(name, flag, zero);
}
inline const char* GetChannelList(const ChatServiceTable* t, int flags) {
    return ChatSlotFn<GetChannelListFn>(t, kSlotGetChannelList)(flags);
}
inline int PollEvent(const ChatServiceTable* t, uint32_t* kind, void* record) {
    return ChatSlotFn<PollEventFn>(t, kSlotPollEvent)(kind, record);
}
inline int PeriodicTick(const ChatServiceTable* t) {
    return ChatSlotFn<PeriodicTickFn>(t, kSlotPeriodicTick)();
}
inline int AnnounceGame(const ChatServiceTable* t, const char* name, const char* password, const char* text,
                        uint32_t flags) {
    return ChatSlotFn<AnnounceGameFn>(t, kSlotAnnounceGame)(name, password, text, flags);
}
inline const void* GameListQuery(const ChatServiceTable* t, const char* name, const char* password,
                                 uint32_t kindFlags, uint32_t filterFlags) {
    return ChatSlotFn<GameListQueryFn>(t, kSlotGameListQuery)(name, password, kindFlags, filterFlags);
}
inline int GameJoined(const ChatServiceTable* t, const char* name, const char* password) {
    return ChatSlotFn<GameJoinedFn>(t, kSlotGameJoined)(name, password);
}
inline const void* GetRealmLogonData(const ChatServiceTable* t, const char* realmName, const char* password) {
    return ChatSlotFn<GetRealmLogonDataFn>(t, kSlotGetRealmLogonData)(realmName, password);
}
inline int EnterChat(const ChatServiceTable* t, const char* name, const char* realmAndName, uint32_t constant,
                     const char* channel, uint32_t flags) {
    return ChatSlotFn<EnterChatFn>(t, kSlotEnterChat)(name, realmAndName, constant, channel, flags);
}
inline int LeaveChat(const ChatServiceTable* t) {
    return ChatSlotFn<LeaveChatFn>(t, kSlotLeaveChat)();
}
inline int IsConnected(const ChatServiceTable* t) {
    return ChatSlotFn<IsConnectedFn>(t, kSlotIsConnected)();
}
inline int NotifyAdClick(const ChatServiceTable* t, uint32_t adId, int flag) {
    return ChatSlotFn<NotifyAdClickFn>(t, kSlotNotifyAdClick)(adId, flag);
}
inline int WriteProfile(const ChatServiceTable* t, const char* name, int count, const char* const* keys,
                        const char* const* values) {
    return ChatSlotFn<WriteProfileFn>(t, kSlotWriteProfile)(name, count, keys, values);
}
inline int RequestProfile(const ChatServiceTable* t, const char* name, int count, int flag,
                          const char* const* keys, uint32_t value) {
    return ChatSlotFn<RequestProfileFn>(t, kSlotRequestProfile)(name, count, flag, keys, value);
}
inline int PollProfile(const ChatServiceTable* t, int count, int flag, char* const* buffers,
                       const uint32_t* sizes) {
    return ChatSlotFn<PollProfileFn>(t, kSlotPollProfile)(count, flag, buffers, sizes);
}
inline int QueueQuery(const ChatServiceTable* t, uint32_t* outcome) {
    return ChatSlotFn<QueueQueryFn>(t, kSlotQueueQuery)(outcome);
}
inline const void* GetAdInfo(const ChatServiceTable* t, uint32_t adId) {
    return ChatSlotFn<GetAdInfoFn>(t, kSlotGetAdInfo)(adId);
}
inline int SetMessageHandlers(const ChatServiceTable* t, DatedMessageHandler dated,
                              ClearMessagesHandler clear) {
    return ChatSlotFn<SetMessageHandlersFn>(t, kSlotSetMessageHandlers)(dated, clear);
}
inline int ClearMessageHandlers(const ChatServiceTable* t) {
    return ChatSlotFn<ClearMessageHandlersFn>(t, kSlotClearMessageHandlers)();
}
