// The realm's ladders as the stand-in serves them: 1000 generated characters
// per ladder type, page and position requests answered after a scripted delay
// at a realm pump, and pages built for tests.
//
// Each type orders its characters by experience, falling from 9,000,000,000
// by 6,000,000 a place, so the first 786 places lie past 2^32. Names are three
// syllables chosen by the place (shifted by the type, so the ladders differ),
// unique within a type; a placed name replaces the generated one at its row.
//
// State: the answer delay, the placed names and the requests waiting for
// their answer.
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "../../Src/platform/QvZendriClient.h"
#include "Services.h"
#include "Saved.h"
#include "StandIn.h"

namespace {

struct PendingAnswer {
    uint32_t askedAt;
    int type, firstRow, count;
};

struct LadderState {
    int delayMs = -1;
    std::map<int, std::string> placed; // row -> name
    std::deque<PendingAnswer> pending;
};

// Made on first use and never freed, as the other services' states; a plain
// pointer, so the pump run every frame costs one test when nothing is pending.
LadderState* ladderState = nullptr;
LadderState& L() {
    if (!ladderState) ladderState = new LadderState;
    return *ladderState;
}

const char* const kFirst[] = {"Ka", "Vel", "Mor", "Tha", "Ri", "Dru", "Sel", "Ost", "Ne", "Gar"};
const char* const kSecond[] = {"la", "ven", "ri", "do", "mar", "ke", "sha", "tor", "li", "bre"};
const char* const kThird[] = {"n", "th", "ra", "x", "dor", "mi", "ska", "l", "wen", "go"};

bool ValidType(int type) {
    return (type >= 0 && type <= 7) || (type >= 9 && type <= 16) || (type >= 19 && type <= 34);
}

int BaseOf(int type) {
    return type >= 27 ? 27 : type >= 19 ? 19 : type >= 9 ? 9 : 0;
}

void PutWord(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back((uint8_t)(value >> (8 * i)));
}

int RowOfName(int type, const std::string& name) {
    for (const auto& [row, placed] : L().placed)
        if (placed == name) return row;
    for (int row = 0; row < standin::kLadderRows; ++row)
        if (standin::LadderName(type, row) == name) return row;
    return -1;
}

} // namespace

namespace standin {

void SetLadderAnswers(int delayMs) {
    L().delayMs = delayMs;
}

void PlaceOnLadder(const std::string& name, int row) {
    L().placed[row] = name.substr(0, kLadderNameSize - 1);
}

std::string LadderName(int type, int row) {
    auto it = L().placed.find(row);
    if (it != L().placed.end()) return it->second;
    int n = (row + type * 37) % kLadderRows;
    return std::string(kFirst[n % 10]) + kSecond[n / 10 % 10] + kThird[n / 100 % 10];
}

uint64_t LadderExperience(int, int row) {
    return 9000000000ull - 6000000ull * (uint64_t)row;
}

// Class tabs hold their class; the overall ladder mixes them. Every fifth
// place is marked; the extended kinds set the title bits.
uint32_t LadderFlags(int type, int row) {
    int tab = type - BaseOf(type);
    uint32_t classIndex = tab == 0 ? (uint32_t)(row * 3 + type) % 7 : (uint32_t)(tab - 1);
    uint32_t flags = classIndex;
    if (row % 5 == 2) flags |= 0x10;
    if (BaseOf(type) == 9 || BaseOf(type) == 27) flags |= 0x20;
    if (BaseOf(type) >= 19) flags |= 0x40;
    flags |= (uint32_t)(row % 32) << 8;
    flags |= (uint32_t)(99 - row / 11) << 16;
    return flags;
}

std::vector<uint8_t> LadderPage(int type, int firstRow, int count) {
    std::vector<uint8_t> out;
    for (int row = firstRow; row < firstRow + count && row < kLadderRows; ++row) {
        if (row < 0) continue;
        uint64_t experience = LadderExperience(type, row);
        PutWord(out, (uint32_t)experience);
        PutWord(out, (uint32_t)(experience >> 32));
        PutWord(out, LadderFlags(type, row));
        char name[kLadderNameSize] = {0};
        std::string text = LadderName(type, row);
        memcpy(name, text.data(), text.size() < sizeof name ? text.size() : sizeof name - 1);
        out.insert(out.end(), name, name + sizeof name);
    }
    return out;
}

bool PushLadderPage(int type, int firstRow, int count) {
    std::vector<uint8_t> page = LadderPage(type, firstRow, count);
    return PushLadderEntries(firstRow, (int)(page.size() / (sizeof(LadderEntryHead) + kLadderNameSize)),
                             kLadderNameSize, type, page);
}

} // namespace standin

namespace standin::internal {

void OnLadderPageRequest(int type, int firstRow) {
    if (L().delayMs < 0 || !ValidType(type) || firstRow < 0 || firstRow >= kLadderRows) return;
    L().pending.push_back({Now(), type, firstRow, 16});
}

void OnLadderPositionRequest(const char* name, int flagA, int flagB) {
    if (L().delayMs < 0) return;
    int type = flagA && flagB ? 19 : flagB ? 27 : flagA ? 0 : 9;
    int row = RowOfName(type, name);
    if (row < 0)
        L().pending.push_back({Now(), type, 0, 0});
    else
        L().pending.push_back({Now(), type, row - row % 16, 16});
}

// Answers in request order, each once its delay has passed. Kept out of line:
// the realm pump calls PumpLadder every frame, and nothing is pending then.
[[gnu::noinline]] static void AnswerDueRequests(LadderState& l) {
    while (!l.pending.empty() && Now() - l.pending.front().askedAt >= (uint32_t)l.delayMs) {
        PendingAnswer answer = l.pending.front();
        l.pending.pop_front();
        if (answer.count == 0)
            PushLadderEntries(answer.firstRow, 0, kLadderNameSize, answer.type, {});
        else
            PushLadderPage(answer.type, answer.firstRow, answer.count);
    }
}

void PumpLadder() {
    if (ladderState && !ladderState->pending.empty()) AnswerDueRequests(*ladderState);
}

void ResetLadder() {
    if (ladderState) *ladderState = LadderState(); // made only when a ladder is asked for
}

} // namespace standin::internal

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {
Part SaveLadder() {
    return Copy(L());
}
void RestoreLadder(const Part& part) {
    L() = Copied<LadderState>(part);
}
} // namespace standin::saved
