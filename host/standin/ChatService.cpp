// The chat service: a filled ChatServiceTable whose slots record every call and
// answer from what the driver scripted (connection, events, own name, channel
// list, realm logon data, game block, queue outcome, profile, advertisements),
// and the two dated-message handlers with a producer thread that calls them.
//
// Every slot call is recorded in ChatCalls() except IsConnected and PollEvent,
// which the lobby calls every frame; their effects (the connection dropping,
// events leaving the queue) are what tests look at instead.
//
// Defaults: connected, never dropping; own name "Arin*Tester"; channels
// "Lobby", "Trade", "Help"; realm logon data of 16 bytes; a game block with no
// games; the queue wait is over with outcome 1 (after the scripted number of
// "not done" answers, default none); AnnounceGame returns 1; an empty profile that is ready
// and stores successfully; no advertisement data.
//
// The handlers are stored under handlerMutex, which is also held while either
// handler runs, so once ClearMessageHandlers returns neither is called again.
#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../../include/QvMulti.h"
#include "../../Src/platform/Pellick.h"
#include "Internal.h"
#include "Services.h"
#include "Saved.h"
#include "StandIn.h"

using standin::Call;
using standin::internal::Pointer;
using standin::internal::Text;

namespace {

constexpr int kRecordSize = QV_EVENT_RECORD_SIZE;
constexpr int kNameOffset = QV_CHAT_EVENT_USER_NAME;

struct QueuedEvent {
    uint32_t kind = 0;
    std::array<uint8_t, kRecordSize> bytes{};
    std::vector<void*> ownedBlocks; // texts handed to the module with the record
};

struct ChatState {
    std::vector<Call> calls;
    bool connected = true;
    int dropAfter = -1;
    std::deque<QueuedEvent> events;
    std::string ownName = "Arin*Tester";
    standin::internal::EdgeBytes channelList;
    std::vector<uint8_t> logonBlock;
    bool logonPresent = true;
    std::vector<uint8_t> gameBlock;
    bool gamePresent = true;
    bool queueDone = true;
    uint32_t queueOutcome = 1;
    int queueWaitPolls = 0; // QueueQuery calls still answered "not done"
    int announceResult = 1;
    std::string profile[3];
    bool profileReady = true;
    int profileWriteResult = 1;
    std::map<uint32_t, std::vector<char>> adInfo;
    std::deque<std::vector<uint8_t>> adData; // file data the ad records point at

    // Shared with the producer thread.
    std::mutex handlerMutex;
    std::condition_variable handlersChanged;
    DatedMessageHandler dated = nullptr;
    ClearMessagesHandler clear = nullptr;
    bool producerStop = false;
    std::thread* producer = nullptr;
    std::atomic<int> delivered{0};
};
void SetDefaults(ChatState& s);

// Never destroyed: a fatal report may exit while the producer thread runs.
// Made on first use (on the host's thread, before any producer starts); the
// check is inline, as the lobby polls every frame.
ChatState* chatState = nullptr;
__attribute__((noinline)) ChatState& MakeChatState() {
    ChatState* s = new ChatState;
    SetDefaults(*s);
    chatState = s;
    return *s;
}
inline ChatState& S() {
    return chatState ? *chatState : MakeChatState();
}

void Record(const char* name, std::vector<std::string> args = {}) {
    standin::internal::RecordCall("chat", S().calls, name, std::move(args));
}

std::string Num(int64_t n) {
    return std::to_string(n);
}

void StoreChannelList(ChatState& s, const std::vector<std::string>& names) {
    std::string run;
    for (const std::string& name : names)
        run.append(name).push_back(0);
    run.push_back(0);
    s.channelList.Hold(run.data(), run.size());
}

void StoreLogonData(ChatState& s, const std::vector<uint8_t>& data, bool present) {
    uint32_t count = (uint32_t)data.size();
    s.logonBlock.assign(reinterpret_cast<const uint8_t*>(&count),
                        reinterpret_cast<const uint8_t*>(&count) + 4);
    s.logonBlock.insert(s.logonBlock.end(), data.begin(), data.end());
    s.logonPresent = present;
}

void StoreGameBlock(ChatState& s, const std::vector<uint8_t>& block, bool present) {
    s.gameBlock = block;
    s.gameBlock.resize(std::max<size_t>(block.size(), 4)); // the count is always readable
    s.gamePresent = present;
}

void SetDefaults(ChatState& s) {
    s.calls.clear();
    s.connected = true;
    s.dropAfter = -1;
    s.ownName = "Arin*Tester";
    StoreChannelList(s, {"Lobby", "Trade", "Help"});
    std::vector<uint8_t> logon(16);
    for (int i = 0; i < 16; i++)
        logon[i] = (uint8_t)(i + 1);
    StoreLogonData(s, logon, true);
    StoreGameBlock(s, {0, 0, 0, 0}, true);
    s.queueDone = true;
    s.queueOutcome = 1;
    s.queueWaitPolls = 0;
    s.announceResult = 1;
    for (std::string& value : s.profile)
        value.clear();
    s.profileReady = true;
    s.profileWriteResult = 1;
    s.adInfo.clear();
}

// ---- the slots ---------------------------------------------------------------

int EnterChatPlainSlot() {
    Record("EnterChatPlain");
    return 1;
}

int SendChatLineSlot(const char* text) {
    Record("SendChatLine", {Text(text)});
    return 1;
}

const char* GetOwnNameSlot() {
    Record("GetOwnName");
    return S().ownName.c_str();
}

int JoinChannelSlot(const char* name, int flag, int zero) {
    Record("JoinChannel", {Text(name), Num(flag), Num(zero)});
    return 1;
}

const char* GetChannelListSlot(int flags) {
    Record("GetChannelList", {Num(flags)});
    return (const char*)S().channelList.data();
}

int PollEventSlot(uint32_t* kind, void* record) {
    ChatState& s = S();
    if (s.events.empty()) return 0;
    QueuedEvent& e = s.events.front();
    if (kind) *kind = e.kind;
    if (record) memcpy(record, e.bytes.data(), kRecordSize);
    s.events.pop_front(); // owned texts now belong to the module
    return 1;
}

int PeriodicTickSlot() {
    Record("PeriodicTick");
    return 1;
}

int AnnounceGameSlot(const char* name, const char* password, const char* text, uint32_t flags) {
    Record("AnnounceGame", {Text(name), Text(password), Text(text), Num(flags)});
    return S().announceResult;
}

const void* GameListQuerySlot(const char* name, const char* password, uint32_t kindFlags,
                              uint32_t filterFlags) {
    Record("GameListQuery", {Text(name), Text(password), Num(kindFlags), Num(filterFlags)});
    if (const void* scripted = standin::internal::ServiceGameBlock(name)) return scripted;
    return S().gamePresent ? S().gameBlock.data() : nullptr;
}

int GameJoinedSlot(const char* name, const char* password) {
    Record("GameJoined", {Text(name), Text(password)});
    return 1;
}

const void* GetRealmLogonDataSlot(const char* realmName, const char* password) {
    Record("GetRealmLogonData", {Text(realmName), Text(password)});
    return S().logonPresent ? S().logonBlock.data() : nullptr;
}

int EnterChatSlot(const char* name, const char* realmAndName, uint32_t constant, const char* channel,
                  uint32_t flags) {
    Record("EnterChat", {Text(name), Text(realmAndName), Num(constant), Text(channel), Num(flags)});
    return 1;
}

int LeaveChatSlot() {
    Record("LeaveChat");
    return 1;
}

int IsConnectedSlot() {
    ChatState& s = S();
    if (!s.connected) return 0;
    if (s.dropAfter == 0) {
        s.connected = false;
        s.dropAfter = -1;
        return 0;
    }
    if (s.dropAfter > 0) s.dropAfter--;
    return 1;
}

int NotifyAdClickSlot(uint32_t adId, int flag) {
    Record("NotifyAdClick", {Num(adId), Num(flag)});
    return 1;
}

// Lists are read for at most 16 entries; the lobby passes 3.
int Listed(int count) {
    return count < 0 ? 0 : count > 16 ? 16 : count;
}

int WriteProfileSlot(const char* name, int count, const char* const* keys, const char* const* values) {
    std::vector<std::string> args{Text(name), Num(count)};
    for (int i = 0; i < Listed(count); i++)
        args.push_back(keys ? Text(keys[i]) : "null");
    for (int i = 0; i < Listed(count); i++)
        args.push_back(values ? Text(values[i]) : "null");
    Record("WriteProfile", args);
    ChatState& s = S();
    if (!s.profileWriteResult) return 0;
    for (int i = 0; values && i < Listed(count) && i < 3; i++)
        s.profile[i] = values[i] ? values[i] : "";
    return s.profileWriteResult;
}

int RequestProfileSlot(const char* name, int count, int flag, const char* const* keys, uint32_t value) {
    std::vector<std::string> args{Text(name), Num(count), Num(flag)};
    for (int i = 0; i < Listed(count); i++)
        args.push_back(keys ? Text(keys[i]) : "null");
    args.push_back(Num(value));
    Record("RequestProfile", args);
    return 1;
}

int PollProfileSlot(int count, int flag, char* const* buffers, const uint32_t* sizes) {
    std::vector<std::string> args{Num(count), Num(flag)};
    for (int i = 0; i < Listed(count); i++)
        args.push_back(sizes ? Num(sizes[i]) : "null");
    Record("PollProfile", args);
    ChatState& s = S();
    if (!s.profileReady) return 0;
    for (int i = 0; buffers && sizes && i < Listed(count) && i < 3; i++) {
        if (!buffers[i] || sizes[i] == 0) continue;
        size_t n = std::min<size_t>(s.profile[i].size(), sizes[i] - 1);
        memcpy(buffers[i], s.profile[i].data(), n);
        buffers[i][n] = 0;
    }
    return 1;
}

int QueueQuerySlot(uint32_t* outcome) {
    Record("QueueQuery");
    ChatState& s = S();
    if (s.queueWaitPolls > 0) {
        --s.queueWaitPolls;
        return 0;
    }
    if (outcome) *outcome = s.queueOutcome;
    return s.queueDone ? 1 : 0;
}

const void* GetAdInfoSlot(uint32_t adId) {
    Record("GetAdInfo", {Num(adId)});
    auto it = S().adInfo.find(adId);
    return it == S().adInfo.end() ? nullptr : it->second.data();
}

int SetMessageHandlersSlot(DatedMessageHandler dated, ClearMessagesHandler clear) {
    Record("SetMessageHandlers", {Pointer((const void*)dated), Pointer((const void*)clear)});
    ChatState& s = S();
    {
        std::lock_guard<std::mutex> lock(s.handlerMutex);
        s.dated = dated;
        s.clear = clear;
    }
    s.handlersChanged.notify_all();
    return 1;
}

int ClearMessageHandlersSlot() {
    Record("ClearMessageHandlers");
    ChatState& s = S();
    {
        std::lock_guard<std::mutex> lock(s.handlerMutex); // waits for a handler call in progress
        s.dated = nullptr;
        s.clear = nullptr;
    }
    s.handlersChanged.notify_all();
    return 1;
}

ChatServiceTable* BuildTable() {
    static ChatServiceTable table{};
    auto set = [](ChatSlot slot, auto fn) { table.slot[slot] = reinterpret_cast<void*>(fn); };
#define QV_SET_SLOT(name) set(kSlot##name, static_cast<name##Fn>(name##Slot));
    QV_CHAT_SLOTS(QV_SET_SLOT)
#undef QV_SET_SLOT
    return &table;
}

// Delivers "message <i>" while handlers are registered; gives up without
// delivering when stopped before any registration.
void ProducerMain(int count, uint32_t unixTime) {
    ChatState& s = S();
    std::unique_lock<std::mutex> lock(s.handlerMutex);
    s.handlersChanged.wait(lock, [&] { return s.dated != nullptr || s.producerStop; });
    for (int i = 0; i < count && s.dated; i++) {
        std::string text = "message " + std::to_string(i);
        s.dated(unixTime, text.c_str());
        s.delivered++;
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
    }
}

void FreeOwnedBlocks(QueuedEvent& e) {
    for (void* block : e.ownedBlocks)
        Free(block, __FILE__, __LINE__);
    e.ownedBlocks.clear();
}

} // namespace

namespace standin {

ChatServiceTable* ChatTable() {
    static ChatServiceTable* table = BuildTable();
    return table;
}

void SetChatConnected(bool connected) {
    S().connected = connected;
}
void DropChatAfter(int calls) {
    S().dropAfter = calls;
}

void PushChatEvent(uint32_t number, uint32_t userFlags, const std::string& userName, const std::string& text,
                   uint32_t second) {
    QueuedEvent e;
    ChatEventHeader head{};
    head.eventNumber = number;
    head.userFlags = userFlags;
    head.second = second;
    memcpy(e.bytes.data(), &head, sizeof head);
    // Name and text are cut so that both terminators fit in the record.
    size_t nameLen = std::min<size_t>(userName.size(), kRecordSize - kNameOffset - 2);
    memcpy(e.bytes.data() + kNameOffset, userName.data(), nameLen);
    size_t textAt = kNameOffset + nameLen + 1;
    size_t textLen = std::min<size_t>(text.size(), kRecordSize - textAt - 1);
    memcpy(e.bytes.data() + textAt, text.data(), textLen);
    S().events.push_back(std::move(e));
}

void PushRawEvent(uint32_t kind, const std::vector<uint8_t>& bytes) {
    QueuedEvent e;
    e.kind = kind;
    if (!bytes.empty()) memcpy(e.bytes.data(), bytes.data(), std::min<size_t>(bytes.size(), kRecordSize));
    S().events.push_back(std::move(e));
}

void PushAdEvent(uint32_t adId, const std::string& fileName, const std::vector<uint8_t>& data) {
    ChatState& s = S();
    QueuedEvent e;
    e.kind = QV_EVENT_AD;
    char* name = static_cast<char*>(Allocate((uint32_t)fileName.size() + 1, __FILE__, __LINE__));
    memcpy(name, fileName.c_str(), fileName.size() + 1);
    char* second = static_cast<char*>(Allocate(1, __FILE__, __LINE__));
    second[0] = 0;
    e.ownedBlocks = {name, second};
    s.adData.push_back(data);
    AdRecord ad{};
    ad.adId = adId;
    ad.fileName = name;
    ad.secondText = second;
    ad.fileData = s.adData.back().data();
    ad.dataSize = (uint32_t)data.size();
    memcpy(e.bytes.data(), &ad, sizeof ad);
    s.events.push_back(std::move(e));
}

int PendingChatEvents() {
    return (int)S().events.size();
}

std::vector<Call> ChatCalls() {
    return S().calls;
}

std::vector<Call> ChatCallsNamed(const std::string& name) {
    return internal::CallsNamed(S().calls, name);
}

void ClearChatCalls() {
    S().calls.clear();
    standin::internal::ForgetCalls("chat");
}

void SetOwnName(const std::string& name) {
    S().ownName = name;
}

void SetChannelList(const std::vector<std::string>& names) {
    StoreChannelList(S(), names);
}

void SetChannelListBytes(const std::string& run) {
    S().channelList.Hold(run.data(), run.size());
}

void SetRealmLogonData(const std::vector<uint8_t>& data, bool present) {
    StoreLogonData(S(), data, present);
}

void SetGameBlock(const std::vector<uint8_t>& block, bool present) {
    StoreGameBlock(S(), block, present);
}

void SetQueueOutcome(bool done, uint32_t outcome) {
    S().queueDone = done;
    S().queueOutcome = outcome;
}

void SetQueueWait(int polls) {
    S().queueWaitPolls = polls > 0 ? polls : 0;
}

void SetAnnounceResult(int result) {
    S().announceResult = result;
}

void SetProfile(const std::string& sex, const std::string& location, const std::string& description,
                bool ready) {
    ChatState& s = S();
    s.profile[0] = sex;
    s.profile[1] = location;
    s.profile[2] = description;
    s.profileReady = ready;
}

void SetProfileWriteResult(int result) {
    S().profileWriteResult = result;
}

std::vector<std::string> StoredProfile() {
    return {S().profile[0], S().profile[1], S().profile[2]};
}

void SetAdInfo(uint32_t adId, const std::vector<uint8_t>& info, bool present) {
    ChatState& s = S();
    if (!present) {
        s.adInfo.erase(adId);
        return;
    }
    std::vector<char> text(info.begin(), info.end());
    text.push_back(0);
    s.adInfo[adId] = text;
}

bool PushDatedMessage(uint32_t unixTime, const std::string& text) {
    std::lock_guard<std::mutex> lock(S().handlerMutex);
    if (!S().dated) return false;
    S().dated(unixTime, text.c_str());
    return true;
}

bool PushClearMessages() {
    std::lock_guard<std::mutex> lock(S().handlerMutex);
    if (!S().clear) return false;
    S().clear();
    return true;
}

bool MessageHandlersRegistered() {
    std::lock_guard<std::mutex> lock(S().handlerMutex);
    return S().dated != nullptr || S().clear != nullptr;
}

void StartDatedProducer(int count, uint32_t unixTime) {
    JoinDatedProducer();
    ChatState& s = S();
    {
        std::lock_guard<std::mutex> lock(s.handlerMutex);
        s.producerStop = false;
    }
    s.delivered = 0;
    s.producer = new std::thread(ProducerMain, count, unixTime);
}

int JoinDatedProducer() {
    ChatState& s = S();
    if (!s.producer) return s.delivered;
    {
        std::lock_guard<std::mutex> lock(s.handlerMutex);
        s.producerStop = true;
    }
    s.handlersChanged.notify_all();
    s.producer->join();
    delete s.producer;
    s.producer = nullptr;
    return s.delivered;
}

} // namespace standin

namespace standin::internal {

void ResetChat() {
    ChatState& s = S();
    JoinDatedProducer();
    s.delivered = 0;
    {
        std::lock_guard<std::mutex> lock(s.handlerMutex);
        s.dated = nullptr;
        s.clear = nullptr;
    }
    for (QueuedEvent& e : s.events)
        FreeOwnedBlocks(e);
    s.events.clear();
    s.adData.clear();
    SetDefaults(s);
}

} // namespace standin::internal

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {

namespace {
struct ChatPart {
    std::vector<Call> calls;
    bool connected;
    int dropAfter;
    std::string ownName;
    std::string channelList;
    std::vector<uint8_t> logonBlock;
    bool logonPresent;
    std::vector<uint8_t> gameBlock;
    bool gamePresent, queueDone;
    uint32_t queueOutcome;
    int queueWaitPolls, announceResult;
    std::string profile[3];
    bool profileReady;
    int profileWriteResult;
    std::map<uint32_t, std::vector<char>> adInfo;
    std::deque<std::vector<uint8_t>> adData;
    DatedMessageHandler dated;
    ClearMessagesHandler clear;
};
Grown grown;
} // namespace

Part SaveChat() {
    ChatState& s = S();
    // A queued event holds blocks that only the module frees.
    if (!s.events.empty()) abort();
    auto p = std::make_shared<ChatPart>();
    p->calls = s.calls;
    p->connected = s.connected;
    p->dropAfter = s.dropAfter;
    p->ownName = s.ownName;
    p->channelList.assign(reinterpret_cast<const char*>(s.channelList.data()), s.channelList.size());
    p->logonBlock = s.logonBlock;
    p->logonPresent = s.logonPresent;
    p->gameBlock = s.gameBlock;
    p->gamePresent = s.gamePresent;
    p->queueDone = s.queueDone;
    p->queueOutcome = s.queueOutcome;
    p->queueWaitPolls = s.queueWaitPolls;
    p->announceResult = s.announceResult;
    for (int i = 0; i < 3; ++i)
        p->profile[i] = s.profile[i];
    p->profileReady = s.profileReady;
    p->profileWriteResult = s.profileWriteResult;
    p->adInfo = s.adInfo;
    p->adData = s.adData;
    std::lock_guard<std::mutex> lock(s.handlerMutex);
    p->dated = s.dated;
    p->clear = s.clear;
    return p;
}

void RestoreChat(const Part& part) {
    const ChatPart& p = Copied<ChatPart>(part);
    ChatState& s = S();
    for (QueuedEvent& e : s.events)
        FreeOwnedBlocks(e);
    s.events.clear();
    RestoreLog(s.calls, p.calls, grown.From(part));
    grown.Mark(part);
    s.connected = p.connected;
    s.dropAfter = p.dropAfter;
    s.ownName = p.ownName;
    if (s.channelList.size() != p.channelList.size() ||
        memcmp(s.channelList.data(), p.channelList.data(), p.channelList.size()) != 0)
        s.channelList.Hold(p.channelList.data(), p.channelList.size());
    s.logonBlock = p.logonBlock;
    s.logonPresent = p.logonPresent;
    s.gameBlock = p.gameBlock;
    s.gamePresent = p.gamePresent;
    s.queueDone = p.queueDone;
    s.queueOutcome = p.queueOutcome;
    s.queueWaitPolls = p.queueWaitPolls;
    s.announceResult = p.announceResult;
    for (int i = 0; i < 3; ++i)
        s.profile[i] = p.profile[i];
    s.profileReady = p.profileReady;
    s.profileWriteResult = p.profileWriteResult;
    s.adInfo = p.adInfo;
    s.adData = p.adData;
    std::lock_guard<std::mutex> lock(s.handlerMutex);
    s.dated = p.dated;
    s.clear = p.clear;
}

} // namespace standin::saved
