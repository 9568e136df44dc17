// The realm client: connection state, request ids and their scripted answers,
// list and info replies, the creation queue, realm messages, ladder handlers
// (the generated ladder answers from Ladder.cpp) and the logon with its wait
// handle.
//
// Every call is recorded in RealmCalls() except the ones the lobby makes every
// frame or every pass: RealmPump, RealmIsConnected, RealmLastStatus,
// RealmLastReplyId, RealmLogonEvent, RealmSelectDone, and RealmNextListReply
// when no reply is waiting.
//
// Defaults: disconnected; create and join requests are never answered; the
// join reply is 0, 0, ""; not queued; a logon succeeds (status 0, connected)
// 2 frames after RealmStartLogon and selecting the character finishes at once.
//
// A create request answered with status 0 makes RealmJoinReplyWord return
// kCreateReplyWord until the next answer. RealmReset forgets the last answer
// (id, status, word). The creation queue model (RealmQueue.cpp) may take a
// create request; it then answers it through AnswerRequest.
//
// The logon wait handle is an eventfd on Linux (the OS layer polls it for
// POLLIN) and a manual-reset event on Windows; it is reset at every
// RealmStartLogon and signalled by OnFrame when the countdown reaches 0.
#include <deque>
#include <list>
#include <string>
#include <vector>

#include "../../Src/platform/QvZendriClient.h"
#include "Internal.h"
#include "Services.h"
#include "Saved.h"
#include "StandIn.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/eventfd.h>
#include <unistd.h>
#endif

using standin::Call;
using standin::internal::Hex;
using standin::internal::Pointer;
using standin::internal::Text;

namespace {

enum { kNoRequest = 0, kCreateRequest = 1, kJoinRequest = 2, kCreateReplyWord = 1 };
constexpr int64_t kLargestLadderReply = 1 << 20; // bytes a pushed ladder reply is padded to at most

struct ListReply {
    uint16_t requestId;
    int status;
    std::vector<uint8_t> record;
};

struct RealmState {
    std::vector<Call> calls;
    bool connected = false;
    int lastStatus = 0;
    uint16_t lastReplyId = 0;
    uint16_t lastRequestId = 0;
    int autoCreate = -1, autoJoin = -1;
    int awaiting = kNoRequest; // the create/join that the next pump may answer
    uint16_t awaitingId = 0;
    uint16_t lastCreateId = 0;
    bool createAnswered = false; // the last answer was a successful create
    uint16_t joinWord = 0;
    uint32_t joinDword = 0;
    std::string joinText;
    std::deque<ListReply> listReplies;
    std::list<ListReply> taken; // handed out, not yet released (newest last)
    bool queued = false;
    int queuePosition = 0;
    RealmMessageHandler messageHandler = nullptr;
    LadderEntriesHandler ladderEntries = nullptr;
    LadderOtherHandler ladderOther = nullptr;
    // logon
    int logonFrames = 2, logonStatus = 0;
    bool selectDone = true, dropDuringWait = false;
    int countdown = -1; // frames left until the logon finishes; -1 none running
};

// Made on first use and never destroyed; the check is inline, as the lobby's
// frame asks the realm client something every frame.
RealmState* realmState = nullptr;
__attribute__((noinline)) RealmState& MakeRealmState() {
    realmState = new RealmState;
    return *realmState;
}
inline RealmState& R() {
    return realmState ? *realmState : MakeRealmState();
}

void Record(const char* name, std::vector<std::string> args = {}) {
    standin::internal::RecordCall("realm", R().calls, name, std::move(args));
}

std::string Num(int64_t n) {
    return std::to_string(n);
}

// ---- the logon wait handle -----------------------------------------------------

#if defined(_WIN32)
HANDLE LogonHandle() {
    static HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return event;
}
void SignalLogon() {
    SetEvent(LogonHandle());
}
void ResetLogon() {
    ResetEvent(LogonHandle());
}
void* LogonWaitHandle() {
    return LogonHandle();
}
#else
int LogonHandle() {
    static int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return fd;
}
void SignalLogon() {
    uint64_t one = 1;
    if (write(LogonHandle(), &one, sizeof one) < 0) perror("eventfd");
}
void ResetLogon() {
    uint64_t value;
    while (read(LogonHandle(), &value, sizeof value) > 0) {
    }
}
void* LogonWaitHandle() {
    return reinterpret_cast<void*>((intptr_t)LogonHandle());
}
#endif

void FinishLogon() {
    RealmState& r = R();
    r.countdown = -1;
    r.lastStatus = r.logonStatus;
    r.connected = r.logonStatus == 0 && !r.dropDuringWait;
    SignalLogon();
}

// Bounded read of a text field of a request record.
std::string Field(const uint8_t* record, int offset, int size) {
    std::string out;
    for (int i = 0; i < size && record[offset + i]; i++)
        out += (char)record[offset + i];
    return out;
}

} // namespace

int RealmIsConnected() {
    return R().connected ? 1 : 0;
}

int RealmPump() {
    standin::internal::PumpLadder();
    RealmState& r = R();
    if (r.awaiting == kNoRequest) return 0;
    int status = r.awaiting == kCreateRequest ? r.autoCreate : r.autoJoin;
    if (status < 0) return 0;
    standin::internal::AnswerRequest(r.awaitingId, status, r.awaiting == kCreateRequest);
    return 1;
}

int RealmLastStatus() {
    return R().lastStatus;
}
uint16_t RealmLastReplyId() {
    return R().lastReplyId;
}

uint16_t RealmNextListReply(const uint8_t** record, uint32_t* size) {
    RealmState& r = R();
    if (r.listReplies.empty()) {
        if (record) *record = nullptr;
        if (size) *size = 0;
        return 0;
    }
    r.taken.push_back(std::move(r.listReplies.front()));
    r.listReplies.pop_front();
    ListReply& reply = r.taken.back();
    r.lastStatus = reply.status;
    if (record) *record = reply.record.data();
    if (size) *size = (uint32_t)reply.record.size();
    Record("RealmNextListReply", {Num(reply.requestId)});
    return reply.requestId;
}

void RealmReleaseReply() {
    Record("RealmReleaseReply");
    if (!R().taken.empty()) R().taken.pop_back();
}

void RealmCreateGame(const void* record, uint16_t requestId) {
    std::vector<std::string> args;
    if (record) {
        const uint8_t* b = static_cast<const uint8_t*>(record);
        uint32_t flags = b[64] | b[65] << 8 | b[66] << 16 | (uint32_t)b[67] << 24;
        args = {Field(b, 0, 16), Field(b, 16, 16), Field(b, 32, 32), Num(flags),
                Num(b[68]),      Num(b[69]),       Num(b[70])};
    } else {
        args = {"null", "", "", "", "", "", ""};
    }
    args.push_back(Num(requestId));
    Record("RealmCreateGame", args);
    RealmState& r = R();
    r.lastRequestId = requestId;
    r.lastCreateId = requestId;
    r.awaiting = standin::internal::QueueTakesCreate(requestId) ? kNoRequest : kCreateRequest;
    r.awaitingId = requestId;
}

void RealmJoinGame(const char* name, const char* password, uint16_t requestId) {
    Record("RealmJoinGame", {Text(name), Text(password), Num(requestId)});
    RealmState& r = R();
    r.lastRequestId = requestId;
    r.awaiting = kJoinRequest;
    r.awaitingId = requestId;
}

void RealmRequestGameList(const void* filter, uint16_t requestId) {
    Record("RealmRequestGameList", {filter ? Hex(filter, 24) : "null", Num(requestId)});
    R().lastRequestId = requestId;
    standin::internal::AnswerGameList(requestId);
}

void RealmRequestGameInfo(const char* name, uint16_t requestId) {
    Record("RealmRequestGameInfo", {Text(name), Num(requestId)});
    R().lastRequestId = requestId;
    standin::internal::AnswerGameInfo(name, requestId);
}

uint16_t RealmJoinReplyWord() {
    Record("RealmJoinReplyWord");
    return R().createAnswered ? (uint16_t)kCreateReplyWord : R().joinWord;
}

uint32_t RealmJoinReplyDword() {
    Record("RealmJoinReplyDword");
    return R().joinDword;
}

const char* RealmJoinReplyText() {
    Record("RealmJoinReplyText");
    return R().joinText.c_str();
}

int RealmIsQueued() {
    Record("RealmIsQueued");
    return R().queued ? 1 : 0;
}

int RealmQueuePosition() {
    Record("RealmQueuePosition");
    return R().queuePosition;
}

void RealmLeaveQueue() {
    Record("RealmLeaveQueue");
    R().queued = false;
    standin::internal::WithdrawQueuedCreate();
}

void RealmReset(int flag) {
    Record("RealmReset", {Num(flag)});
    RealmState& r = R();
    r.lastReplyId = 0;
    r.lastStatus = 0;
    r.createAnswered = false;
}

void RealmFinish() {
    Record("RealmFinish");
}

void RealmSetMessageHandler(RealmMessageHandler handler) {
    Record("RealmSetMessageHandler", {Pointer((const void*)handler)});
    R().messageHandler = handler;
}

void RealmStartMessages() {
    Record("RealmStartMessages");
}

void RealmStartLogon(const void* data, uint32_t size) {
    Record("RealmStartLogon", {data ? Hex(data, size) : "null", Num(size)});
    RealmState& r = R();
    ResetLogon();
    r.countdown = r.logonFrames;
    if (r.countdown == 0) FinishLogon();
}

void* RealmLogonEvent(int) {
    return LogonWaitHandle();
}

void RealmSelectCharacter(const char* characterName) {
    Record("RealmSelectCharacter", {Text(characterName)});
}

int RealmSelectDone() {
    return R().selectDone ? 1 : 0;
}

void RealmEndWait(int flag) {
    Record("RealmEndWait", {Num(flag)});
}

void RealmSetLadderHandlers(LadderEntriesHandler entries, LadderOtherHandler other) {
    Record("RealmSetLadderHandlers", {Pointer((const void*)entries), Pointer((const void*)other)});
    R().ladderEntries = entries;
    R().ladderOther = other;
}

void RealmRequestLadderPage(int type, int firstRow) {
    Record("RealmRequestLadderPage", {Num(type), Num(firstRow)});
    standin::internal::OnLadderPageRequest(type, firstRow);
}

void RealmRequestLadderPosition(const char* name, int flagA, int flagB) {
    Record("RealmRequestLadderPosition", {Text(name), Num(flagA), Num(flagB)});
    standin::internal::OnLadderPositionRequest(name ? name : "", flagA, flagB);
}

namespace standin {

std::vector<Call> RealmCalls() {
    return R().calls;
}

std::vector<Call> RealmCallsNamed(const std::string& name) {
    return internal::CallsNamed(R().calls, name);
}

void ClearRealmCalls() {
    R().calls.clear();
    standin::internal::ForgetCalls("realm");
}

void SetRealmConnected(bool connected) {
    R().connected = connected;
}

void RealmReply(uint16_t requestId, int status) {
    RealmState& r = R();
    internal::AnswerRequest(requestId, status, requestId == r.lastCreateId);
}

void RealmAutoAnswer(int createStatus, int joinStatus) {
    R().autoCreate = createStatus;
    R().autoJoin = joinStatus;
}

uint16_t RealmLastRequestId() {
    return R().lastRequestId;
}

void SetJoinReply(uint16_t word, uint32_t dword, const std::string& text) {
    R().joinWord = word;
    R().joinDword = dword;
    R().joinText = text;
}

// The client's records carry the id they answer at offset 4, as every list
// and info record does; a shorter record is made long enough to hold it.
// The record is taken over, not copied: the realm's answer to a list request
// is a reply per game.
void PushListReply(uint16_t requestId, int status, std::vector<uint8_t> record) {
    enum { kIdOffset = 4 };
    if (record.size() < kIdOffset + 2) record.resize(kIdOffset + 2);
    record[kIdOffset] = (uint8_t)requestId;
    record[kIdOffset + 1] = (uint8_t)(requestId >> 8);
    R().listReplies.push_back({requestId, status, std::move(record)});
}

void PushListReplyAsIs(uint16_t returnedId, int status, const std::vector<uint8_t>& record) {
    R().listReplies.push_back({returnedId, status, record});
}

int LiveListReplies() {
    return (int)R().taken.size();
}

void SetRealmQueued(bool queued, int position) {
    R().queued = queued;
    R().queuePosition = position;
}

void SetRealmLogon(int framesUntilDone, int status, bool selectDone, bool dropDuringWait) {
    RealmState& r = R();
    r.logonFrames = framesUntilDone;
    r.logonStatus = status;
    r.selectDone = selectDone;
    r.dropDuringWait = dropDuringWait;
}

void PushRealmMessage(int key, const std::string& text) {
    if (R().messageHandler) R().messageHandler(key, text.c_str());
}

bool PushLadderEntries(int firstRow, int count, int nameSize, int type, const std::vector<uint8_t>& entries) {
    if (!R().ladderEntries) return false;
    // A realm client hands the count entries whole: the bytes are cut or padded
    // to them, unless the claim is too large to hold, which goes as given.
    std::vector<uint8_t> page = entries;
    int64_t extent = (int64_t)count * ((int64_t)sizeof(LadderEntryHead) + nameSize);
    if (count >= 0 && nameSize >= 0 && extent <= kLargestLadderReply) page.resize((size_t)extent);
    standin::internal::EdgeBytes handed;
    R().ladderEntries(firstRow, count, nameSize, type, handed.Hold(page.data(), page.size()));
    return true;
}

bool PushLadderOther(const std::vector<uint8_t>& record) {
    if (!R().ladderOther) return false;
    R().ladderOther(record.data());
    return true;
}

} // namespace standin

namespace standin::internal {

void OnFrame() {
    RealmState& r = R();
    if (r.countdown > 0 && --r.countdown == 0) FinishLogon();
    AdvanceCreateQueue();
}

void AnswerRequest(uint16_t requestId, int status, bool isCreate) {
    RealmState& r = R();
    r.lastReplyId = requestId;
    r.lastStatus = status;
    r.createAnswered = isCreate && status == 0;
    if (r.awaitingId == requestId) r.awaiting = kNoRequest;
}

void ResetRealm() {
    ResetLadder();
    ResetLogon();
    R() = RealmState();
    ResetRealmQueue();
}

} // namespace standin::internal

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {
namespace {
struct RealmPart {
    RealmState state; // without its calls
    std::vector<Call> calls;
    bool logonSignalled;
};
Grown grown;
bool LogonSignalled() {
#if defined(_WIN32)
    return WaitForSingleObject(LogonHandle(), 0) == WAIT_OBJECT_0;
#else
    uint64_t value = 0;
    if (read(LogonHandle(), &value, sizeof value) <= 0 || value == 0) return false;
    if (write(LogonHandle(), &value, sizeof value) < 0) perror("eventfd");
    return true;
#endif
}
} // namespace
Part SaveRealm() {
    RealmPart p{R(), R().calls, LogonSignalled()};
    p.state.calls.clear();
    return Copy(p);
}
void RestoreRealm(const Part& part) {
    const RealmPart& p = Copied<RealmPart>(part);
    std::vector<Call> calls = std::move(R().calls);
    RestoreLog(calls, p.calls, grown.From(part));
    grown.Mark(part);
    R() = p.state;
    R().calls = std::move(calls);
    ResetLogon();
    if (p.logonSignalled) SignalLogon();
}
} // namespace standin::saved
