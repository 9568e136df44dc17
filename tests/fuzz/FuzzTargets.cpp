// The fuzz targets. Each one reads the fuzzer's bytes as a short program of
// steps (service input, clicks, time passing), scripts them on the stand-in and
// hands them to the visit runner. A whole visit is ended with Escape, which
// closes the open dialog and then quits. Every input starts from ResetAll and a
// clock moved on by an hour, so the module's timers fire alike on the first
// frame of every run.
//
// Texts the service hands over as zero-terminated strings keep their
// terminator; records the service fills byte for byte (the chat event record,
// profile values, list and ladder replies) get none that the bytes do not hold.
#include "FuzzTargets.h"

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "../../Src/core/Lobby.h"
#include "../../Src/games/CreateGame.h"
#include "../../Src/games/JoinGame.h"
#include "../../host/standin/Saved.h"
#include "../../host/standin/StandIn.h"

namespace fuzz {
namespace {

enum {
    kMaxSteps = 48, // steps per input: enough to reach any state, few enough for many runs
    kRecordSize = 288,
    kNameOffset = 24,
    kQuitLabel = 5316,
    kCreateLabel = 5312,
    kJoinLabel = 5313,
    kLadderLabel = 5315,
    kEnterChatLabel = 11126,
    kCreateButtonLabel = 5150,
    kEndSteps = 32,
};

// ---- reading the input -------------------------------------------------------------
// Reads past the end give zeros, so every input is a complete program.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool Empty() const { return at >= size; }
    uint8_t U8() { return at < size ? data[at++] : 0; }
    uint16_t U16() { return (uint16_t)(U8() | U8() << 8); }
    uint32_t U32() { return (uint32_t)U16() | (uint32_t)U16() << 16; }
    // Up to count bytes, fewer where the input ends.
    std::vector<uint8_t> Bytes(size_t count) {
        size_t n = count < size - at ? count : size - at;
        if (at >= size) n = 0;
        std::vector<uint8_t> out(data + at, data + at + n);
        at += n;
        return out;
    }
    // A 16-bit length (at most limit), then that many bytes.
    std::vector<uint8_t> Chunk(size_t limit) { return Bytes(U16() % (limit + 1)); }
    // A text the service hands over zero-terminated: its bytes hold no zero.
    std::string Text(size_t limit) {
        std::string text;
        for (uint8_t b : Chunk(limit))
            if (b) text += (char)b;
        return text;
    }
};

// ---- the visit -----------------------------------------------------------------------
struct Visit : VisitSetup {
    explicit Visit(const char* channel = "Lobby", const char* realm = "") {
        // What an earlier visit left queued is not this input's.
        standin::saved::TakeActions();
        standin::FillLaunchRecord(&record);
        memset(record.channelName, 0, sizeof record.channelName);
        strncpy(record.channelName, channel, sizeof record.channelName - 1);
        memset(record.realmName, 0, sizeof record.realmName);
        strncpy(record.realmName, realm, sizeof record.realmName - 1);
    }
    void Before(const std::string& what, std::function<void()> set) {
        key += what + ";";
        before.push_back(std::move(set));
    }
    void Also(std::function<void()> set) { also.push_back(std::move(set)); }
    void Run() {
        if (visitRunner)
            visitRunner(*this);
        else
            RunWholeVisit(*this);
    }
};

// A chat-service slot answered by the target for one visit; the stand-in's
// own answer is put back afterwards.
struct SlotOverride {
    ChatSlot slot;
    void* saved;
    SlotOverride(ChatSlot s, void* fn) : slot(s), saved(standin::ChatTable()->slot[s]) {
        standin::ChatTable()->slot[s] = fn;
    }
    ~SlotOverride() { standin::ChatTable()->slot[slot] = saved; }
};

void PushRecord(const std::vector<uint8_t>& record, uint32_t kind = 0) {
    standin::Check([record, kind] { standin::PushRawEvent(kind, record); });
    standin::Frames(1);
}

// A kind-0 record: number, flags, second, then the name from offset 24 and
// the text after it, exactly the bytes given (the rest of the record is zero).
std::vector<uint8_t> EventRecord(uint32_t number, uint32_t flags, uint32_t second,
                                 const std::vector<uint8_t>& body) {
    std::vector<uint8_t> record(kRecordSize);
    memcpy(&record[0], &number, 4);
    memcpy(&record[4], &flags, 4);
    memcpy(&record[8], &second, 4);
    if (!body.empty())
        memcpy(&record[kNameOffset], body.data(), std::min<size_t>(body.size(), kRecordSize - kNameOffset));
    return record;
}

// Name, terminator, text: as the service lays them out, cut at the record's end.
std::vector<uint8_t> NameAndText(const std::string& name, const std::vector<uint8_t>& text) {
    std::vector<uint8_t> body(name.begin(), name.end());
    body.push_back(0);
    body.insert(body.end(), text.begin(), text.end());
    return body;
}

// A player's join event: the product tag, realm and character, 13 appearance
// bytes, the class byte, 12 colour bytes, then tail.
void PushPlayerJoin(const std::string& user, const char* character, char classByte, const std::string& tail) {
    std::string description = std::string("PXvQWest,") + character + "," + std::string(13, '\x03') +
                              classByte + std::string(12, '\x04') + tail;
    PushRecord(EventRecord(1, 0, 0,
                           NameAndText(user, std::vector<uint8_t>(description.begin(), description.end()))));
}

std::string UserName(int i) {
    return i == 7 ? "Arin*Tester" : "C" + std::to_string(i) + "*A" + std::to_string(i);
}

void ClickSlot(int slot) {
    standin::Enqueue([slot] { standin::ClickControl(standin::Find(lobbySlots[slot])); });
}
void ClickGameRow(int row) {
    standin::Enqueue([row] {
        if (standin::Control* list = standin::Find(gameList)) standin::ClickListRow(list, row);
    });
}
void ClickCell(int cell, bool right) {
    standin::Enqueue([cell, right] {
        standin::Control* c = standin::Find(figureCells[cell % kFigureCellCount]);
        if (!c) return;
        if (right)
            standin::RightClickControl(c);
        else
            standin::ClickControl(c);
    });
}
void TypeInto(QvControl* field, const std::string& text) {
    standin::Enqueue([field, text] {
        if (!*field) return;
        SetFocus(*field);
        standin::TypeText(text.c_str());
    });
}

// Steps shared by the chat targets: selecting, scrolling and the profile.
void ChatStep(Reader& in) {
    switch (in.U8() % 6) {
    case 0:
        ClickCell(in.U8(), false);
        break;
    case 1:
        ClickCell(in.U8(), true);
        break;
    case 2:
        ClickSlot(kSlotBackTen + in.U8() % 4);
        break;
    case 3:
        standin::Type("/r back");
        standin::Enter();
        break;
    case 4:
        standin::Escape();
        break;
    default:
        standin::Wait(in.U16());
        break;
    }
}

// ---- the chat event record -------------------------------------------------------------
// Records of every event number and of every kind but the advertisement (whose
// pointers only the service can fill: see Advert), with chat steps between them;
// the connection may drop part way.
void ChatEvents(const uint8_t* data, size_t size) {
    Reader in{data, size};
    uint8_t head = in.U8();
    Visit visit(head & 1 ? "" : "Lobby");
    if (head & 1) standin::Click(kEnterChatLabel);
    if (head & 2) {
        standin::Type("/qvnotify");
        standin::Enter();
    }
    // The service may drop the connection at any frame, whatever is open.
    if (head & 4) {
        int calls = in.U8() * 2;
        visit.Before("drop after " + std::to_string(calls), [calls] { standin::DropChatAfter(calls); });
    }
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        uint8_t op = in.U8();
        if (op < 0xe0) {
            uint32_t number = op < 0xc0 ? op % kChatEventCount : in.U32();
            uint32_t kind = op >= 0xd0 ? (op % 8 == 3 ? 4 : op % 8) : 0;
            uint32_t flags = in.U32(), second = in.U32();
            PushRecord(EventRecord(number, flags, second, in.Chunk(kRecordSize - kNameOffset)), kind);
        } else {
            ChatStep(in);
        }
    }
    visit.Run();
}

// ---- the user description of the join and user events -------------------------------------
void UserDescription(const uint8_t* data, size_t size) {
    static const char* const kTags[] = {"VDvQ", "PXvQ", "TSvQ", "CHAT", "TAHC"};
    static const uint32_t kNumbers[] = {1, 2, 9, 3};
    Reader in{data, size};
    Visit visit(in.U8() & 1 ? "Lobby" : "Trade");
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        uint8_t op = in.U8();
        if (op >= 0xe0) {
            ChatStep(in);
            continue;
        }
        uint8_t who = in.U8();
        std::string name = who < 0xf0 ? UserName(who % 8) : in.Text(kRecordSize);
        uint32_t flags = in.U32();
        uint8_t tag = in.U8();
        std::vector<uint8_t> text;
        if (tag < 0xf0) text.assign(kTags[tag % 5], kTags[tag % 5] + 4);
        std::vector<uint8_t> rest = in.Chunk(kRecordSize);
        text.insert(text.end(), rest.begin(), rest.end());
        PushRecord(EventRecord(kNumbers[op % 4], flags, 0, NameAndText(name, text)));
    }
    visit.Run();
}

// ---- the advertisement record and its texts ------------------------------------------------------
void Advert(const uint8_t* data, size_t size) {
    Reader in{data, size};
    uint8_t head = in.U8();
    Visit visit(head & 1 ? "" : "Lobby");
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        switch (in.U8() % 4) {
        case 0: {
            uint32_t id = in.U8();
            std::string fileName = in.Text(300);
            std::vector<uint8_t> picture = in.Chunk(600);
            standin::Check([=] { standin::PushAdEvent(id, fileName, picture); });
            standin::Frames(1);
            break;
        }
        case 1: {
            uint32_t id = in.U8();
            std::string link = in.Text(400);
            bool present = link.size() != 1;
            standin::Check(
                [=] { standin::SetAdInfo(id, std::vector<uint8_t>(link.begin(), link.end()), present); });
            break;
        }
        case 2:
            ClickSlot(kSlotBannerClick);
            break;
        default:
            standin::Escape();
            break;
        }
    }
    visit.Run();
}

// ---- the chat service's game block and its queue answer -----------------------------------------
// The block as the service builds it: a count, then that many entries of a
// 32-byte head and three zero-terminated texts. The block carries no size, so
// the count matches the entries; each query gets a block of its exact size.
std::vector<uint8_t> serviceBlock;
std::unique_ptr<uint8_t[]> servedBlock;
const void* ServeGameBlock(const char*, const char*, uint32_t, uint32_t) {
    if (serviceBlock.empty()) return nullptr;
    servedBlock.reset(new uint8_t[serviceBlock.size()]);
    memcpy(servedBlock.get(), serviceBlock.data(), serviceBlock.size());
    return servedBlock.get();
}

void GameBlock(const uint8_t* data, size_t size) {
    Reader in{data, size};
    uint8_t head = in.U8();
    Visit visit;
    visit.record.characterFlags = in.U16();
    serviceBlock.clear();
    if (!(head & 1)) {
        uint32_t count = in.U8() % 12;
        serviceBlock.resize(4);
        memcpy(serviceBlock.data(), &count, 4);
        for (uint32_t i = 0; i < count; ++i) {
            std::vector<uint8_t> entry = in.Bytes(32);
            entry.resize(32);
            serviceBlock.insert(serviceBlock.end(), entry.begin(), entry.end());
            for (int t = 0; t < 3; ++t) {
                std::string text = in.Text(t == 1 ? 8 : 160);
                serviceBlock.insert(serviceBlock.end(), text.begin(), text.end());
                serviceBlock.push_back(0);
            }
        }
    }
    SlotOverride answer(kSlotGameListQuery, reinterpret_cast<void*>(ServeGameBlock));
    bool queueDone = head & 2;
    uint32_t outcome = in.U32();
    int polls = in.U8() % 4;
    visit.Also([=] {
        standin::SetQueueOutcome(queueDone, outcome);
        standin::SetQueueWait(polls);
    });
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        switch (in.U8() % 7) {
        case 0:
            standin::Click(kJoinLabel);
            standin::Frames(1);
            break;
        case 1:
            ClickGameRow(in.U8() % 12);
            break;
        case 2:
            TypeInto(&joinNameField, in.Text(20));
            break;
        case 3:
            standin::Enter();
            break;
        case 4:
            standin::Click(kCreateLabel);
            TypeInto(&createGameControls[kCgNameField], in.Text(20));
            standin::Click(kCreateButtonLabel);
            standin::Frames(4);
            break;
        case 5:
            standin::Wait(in.U16());
            break;
        default:
            standin::Escape();
            break;
        }
    }
    visit.Run();
    serviceBlock.clear();
}

// ---- the realm's create and join replies -----------------------------------------------------------
void RealmReplies(const uint8_t* data, size_t size) {
    Reader in{data, size};
    Visit visit("Lobby", "Zendri");
    uint8_t head = in.U8();
    visit.record.characterFlags = (uint16_t)(head & 0x20);
    visit.record.characterRealmByte = head & 0x40;
    visit.Before("realm connected", [] { standin::SetRealmConnected(true); });
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        switch (in.U8() % 8) {
        case 0:
            standin::Click(kCreateLabel);
            TypeInto(&createGameControls[kCgNameField], "Duel");
            standin::Click(kCreateButtonLabel);
            break;
        case 1:
            standin::Click(kJoinLabel);
            TypeInto(&joinNameField, "Duel");
            standin::Enter();
            break;
        case 2: {
            uint8_t which = in.U8();
            uint16_t id = in.U16();
            int status = in.U8() < 0x80 ? in.U8() : (int)in.U32();
            standin::Enqueue([=] {
                uint16_t to = which < 0xc0 ? standin::RealmLastRequestId() : id;
                standin::RealmReply(to, status);
            });
            standin::Frames(1);
            break;
        }
        case 3: {
            uint16_t word = in.U16();
            uint32_t dword = in.U32();
            std::string text = in.Text(600);
            standin::Check([=] { standin::SetJoinReply(word, dword, text); });
            break;
        }
        case 4: {
            int position = (int8_t)in.U8();
            uint32_t stepMs = in.U8() * 100u;
            int status = in.U8();
            standin::Check([=] { standin::ScriptCreateQueue(position, stepMs, status); });
            break;
        }
        case 5: {
            bool queued = in.U8() & 1;
            int position = (int)in.U32();
            standin::Check([=] { standin::SetRealmQueued(queued, position); });
            break;
        }
        case 6:
            standin::Wait(in.U16() * 4u);
            break;
        default:
            standin::Escape();
            break;
        }
    }
    visit.Run();
}

// ---- game list and game info replies ---------------------------------------------------------------
void GameLists(const uint8_t* data, size_t size) {
    static const int kStatuses[] = {0, 0, 0, 0x32, 0x33, 1};
    Reader in{data, size};
    Visit visit("Lobby", "Zendri");
    visit.record.accountKind = 2;
    visit.record.characterFlags = in.U16();
    visit.Before("realm connected", [] { standin::SetRealmConnected(true); });
    standin::Click(kJoinLabel);
    standin::Frames(1);
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        uint8_t op = in.U8();
        if (op < 0xc0) {
            uint8_t which = in.U8();
            uint16_t raw = in.U16();
            uint8_t s = in.U8();
            int status = s < 0xf0 ? kStatuses[s % 6] : s;
            std::vector<uint8_t> reply = in.Chunk(op & 1 ? 1200 : 200);
            standin::Enqueue([=] {
                uint16_t id = which % 3 == 0 ? pendingRequestId : which % 3 == 1 ? gameInfoRequestId : raw;
                standin::PushListReply(id, status, reply);
            });
            standin::Frames(1);
            continue;
        }
        switch (op % 5) {
        case 0:
            ClickGameRow(in.U8() % 24);
            break;
        case 1:
            standin::Wait(1000);
            break;
        case 2:
            standin::Wait(15000);
            break;
        case 3:
            standin::Click(kJoinLabel);
            standin::Frames(1);
            break;
        default:
            standin::Escape();
            break;
        }
    }
    visit.Run();
}

// ---- ladder pages and position replies --------------------------------------------------------------
void LadderReplies(const uint8_t* data, size_t size) {
    static const int kKindLabels[] = {5318, 5317, 10090, 10091};
    static const int kTabXs[8] = {427, 513, 550, 587, 624, 661, 698, 735};
    static const int kBases[] = {0, 9, 19, 27};
    Reader in{data, size};
    uint8_t head = in.U8();
    Visit visit;
    if (head & 4) {
        // The position lookup from a player's profile.
        char classByte = (char)(in.U8() % 8 + 1);
        std::string tail{(char)in.U8(), (char)in.U8()}; // a braced list reads in order
        PushPlayerJoin("Mira*Kestrel", "Mira", classByte, tail);
        ClickCell(0, true);
        standin::ClickAt(kButton, 552, 433);
    } else {
        standin::Click(kLadderLabel);
        standin::Click(kKindLabels[head % 4]);
    }
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        uint8_t op = in.U8();
        if (op < 0xc0) {
            uint8_t f = in.U8();
            int firstRow = f < 0xf0 ? f * 8 : (int)in.U32();
            uint8_t c = in.U8();
            int count = c < 0xf0 ? c % 40 : (int)in.U32();
            uint8_t n = in.U8();
            int nameSize = n < 0xf0 ? n % 40 : (int)in.U32();
            uint8_t t = in.U8();
            int type = t < 0xf0 ? kBases[t % 4] + (t >> 2) % 8 : (int)in.U32();
            std::vector<uint8_t> entries = in.Chunk(op & 1 ? 1600 : 400);
            standin::Check([=] { standin::PushLadderEntries(firstRow, count, nameSize, type, entries); });
            standin::Frames(1);
            continue;
        }
        switch (op % 4) {
        case 0: {
            std::vector<uint8_t> record = in.Chunk(64);
            record.resize(64);
            standin::Check([record] { standin::PushLadderOther(record); });
            break;
        }
        case 1:
            standin::ClickAt(kButton, kTabXs[in.U8() % 8], 149);
            break;
        case 2:
            standin::Wait(in.U16());
            break;
        default:
            standin::Escape();
            break;
        }
    }
    visit.Run();
}

// ---- profile values as the service writes them ------------------------------------------------------
// The service writes each value into the module's buffer, at most its size,
// with or without a terminator.
std::vector<uint8_t> profileValues[3];
int profilePollsLeft;
int WriteProfileValues(int count, int, char* const* buffers, const uint32_t* sizes) {
    if (profilePollsLeft > 0) {
        --profilePollsLeft;
        return 0;
    }
    for (int i = 0; i < count && i < 3; ++i) {
        if (!buffers || !sizes || !buffers[i]) continue;
        size_t n = std::min<size_t>(profileValues[i].size(), sizes[i]);
        if (n) memcpy(buffers[i], profileValues[i].data(), n);
    }
    return 1;
}

void Profile(const uint8_t* data, size_t size) {
    Reader in{data, size};
    uint8_t head = in.U8();
    Visit visit;
    visit.record.accountKind = head & 0x10 ? 4 : 0;
    SlotOverride answer(kSlotPollProfile, reinterpret_cast<void*>(WriteProfileValues));
    profilePollsLeft = head & 3;
    for (std::vector<uint8_t>& value : profileValues)
        value = in.Chunk(head & 0x20 ? 400 : 60);
    visit.Also([head] { standin::SetProfileWriteResult(head & 0x40 ? 0 : 1); });
    std::string user = head & 4 ? "Arin*Tester" : "Mira*Kestrel";
    PushPlayerJoin(user, "Arin", '\x02', "\x24");
    ClickCell(0, true);
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        switch (in.U8() % 6) {
        case 0:
            standin::Type(in.Text(40));
            break;
        case 1:
            standin::ClickAt(kButton, 671, 433);
            break; // OK
        case 2:
            standin::ClickAt(kButton, 552, 433);
            break; // ladder
        case 3:
            standin::Tab();
            break;
        case 4:
            ClickCell(0, true);
            break;
        default:
            standin::Escape();
            break;
        }
    }
    visit.Run();
}

// ---- realm messages and dated messages --------------------------------------------------------------
void Messages(const uint8_t* data, size_t size) {
    Reader in{data, size};
    uint8_t head = in.U8();
    Visit visit("", head & 1 ? "Zendri" : "");
    if (head & 2) visit.Before("realm connected", [] { standin::SetRealmConnected(true); });
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        switch (in.U8() % 6) {
        case 0: {
            uint8_t k = in.U8();
            int key = k < 0xf0 ? k % 8 : (int)in.U32();
            std::string text = in.Text(700);
            standin::Check([=] { standin::PushRealmMessage(key, text); });
            break;
        }
        case 1: {
            uint32_t time = in.U32();
            std::string text = in.Text(700);
            standin::Check([=] { standin::PushDatedMessage(time, text); });
            standin::Frames(1);
            break;
        }
        case 2:
            standin::Check([] { standin::PushClearMessages(); });
            break;
        case 3:
            standin::Click(kEnterChatLabel);
            break;
        case 4:
            standin::Frames(1);
            break;
        default:
            standin::Escape();
            break;
        }
    }
    visit.Run();
}

} // namespace

VisitRunner visitRunner = nullptr;
std::function<void()> afterInput;

// Escape closes what is open, then the quit button; as long as a screen loop
// runs (dialogs and waits may nest) the pair is repeated, up to count times; a
// visit that still does not end is ended by the loop's idle limit.
void EndSteps(int count) {
    standin::Enqueue([count] {
        if (standin::LoopDepth() == 0) return;
        standin::PressEscape();
        if (count > 0)
            standin::Enqueue([count] {
                if (standin::LoopDepth() == 0) return;
                if (standin::Control* quit = standin::FindByTextId(kQuitLabel)) standin::ClickControl(quit);
                EndSteps(count - 1);
            });
    });
}

// The fuzzers run without the leak checker (it would scan the heap after every
// input that finds something new); what the module can leak is a block of the
// utility library's, and the stand-in counts those.
void CheckBlocks(int expected, const char* when) {
    int live = standin::LiveBlocks();
    if (live == expected) return;
    fprintf(stderr, "%s left %d of the service's blocks unfreed\n", when, live - expected);
    abort();
}

void StartFreshStandIn(const VisitSetup& setup) {
    standin::ResetAll();
    standin::AdvanceTime(3600000);
    // The remembered create-game settings start empty every visit.
    standin::UseMemoryRegistry();
    for (auto& set : setup.before)
        set();
}

void RunWholeVisit(VisitSetup& setup) {
    std::deque<standin::Action> script = standin::saved::TakeActions();
    StartFreshStandIn(setup);
    for (auto& set : setup.also)
        set();
    standin::saved::PutActions(std::move(script));
    if (afterInput) standin::Enqueue(afterInput);
    EndSteps(kEndSteps);
    standin::RunVisit(QueryInterface(), &setup.record);
    if (standin::LoopTimedOut() && getenv("QV_FUZZ_DEBUG"))
        fprintf(stderr, "visit ended by the idle limit\n");
    CheckBlocks(0, "the visit");
}

const Target kTargets[] = {
    {"chat_events", ChatEvents},
    {"user_description", UserDescription},
    {"advert", Advert},
    {"game_block", GameBlock},
    {"realm_replies", RealmReplies},
    {"game_lists", GameLists},
    {"ladder", LadderReplies},
    {"profile", Profile},
    {"messages", Messages},
    {nullptr, nullptr},
};

const Target* FindTarget(const char* name) {
    for (const Target* t = kTargets; t->name; ++t)
        if (strcmp(t->name, name) == 0) return t;
    return nullptr;
}

std::vector<std::string> InputFiles(const std::string& dir) {
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') files.push_back(dir + "/" + e->d_name);
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<uint8_t> ReadInput(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace fuzz
