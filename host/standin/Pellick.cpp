// Pellick, the utility library: allocation with a count of live blocks, the
// fatal-error report, the log, the content flag, packed words, plain files
// and small text helpers.
//
// Allocate and Free may be called from the chat service's thread (the dated
// message handlers allocate), so the block set is guarded by a mutex. A Free of
// a block that Allocate did not hand out is reported as a fatal error, which
// turns a double free in the module into a failed test.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "../../Src/platform/Pellick.h"
#include "Services.h"
#include "Saved.h"
#include "StandIn.h"

namespace {

// Fatal report numbers of the stand-in itself.
enum { kFatalOutOfMemory = 9001, kFatalUnknownBlock = 9002 };

struct PellickState {
    std::mutex mutex;
    std::unordered_set<void*> blocks;
    std::vector<std::string> logLines;
    int fullContent = 1;
};
// Never destroyed: a fatal report may exit while another thread still allocates.
PellickState& State() {
    static PellickState* state = new PellickState;
    return *state;
}

} // namespace

void* Allocate(uint32_t size, const char* unit, int line) {
    void* block = malloc(size ? size : 1);
    if (!block) FatalErrorReport(kFatalOutOfMemory, unit, line);
    std::lock_guard<std::mutex> lock(State().mutex);
    State().blocks.insert(block);
    return block;
}

void Free(void* block, const char* unit, int line) {
    if (!block) return;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        if (State().blocks.erase(block) == 0) {
            fprintf(stderr, "Free of a block that was not allocated\n");
            FatalErrorReport(kFatalUnknownBlock, unit, line);
        }
    }
    free(block);
}

void FatalErrorReport(int number, const char* unit, int line) {
    fprintf(stderr, "fatal error %d (%s:%d)\n", number, unit ? unit : "?", line);
    fflush(stderr);
    exit(-1);
}

void LogLine(const char* text) {
    std::string line = text ? text : "";
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        State().logLines.push_back(line);
    }
    fprintf(stderr, "%s\n", line.c_str());
}

int IsFullContent() {
    return State().fullContent;
}

// Little-endian: the first byte is the low half.
uint16_t ReadPackedWord(const uint8_t* bytes) {
    if (!bytes) return 0;
    return (uint16_t)(bytes[0] | (bytes[1] << 8));
}

void* FileCreate(const char* name, uint32_t, uint32_t, void*, uint32_t disposition, uint32_t, void*) {
    if (!name || !*name) return nullptr;
    FILE* f = nullptr;
    switch (disposition) {
    case 1: // create new: fails when the file exists
        f = fopen(name, "rb");
        if (f) {
            fclose(f);
            return nullptr;
        }
        f = fopen(name, "w+b");
        break;
    case 2: // create always
        f = fopen(name, "w+b");
        break;
    case 3: // open existing
        f = fopen(name, "r+b");
        break;
    case 5: // truncate existing
        f = fopen(name, "r+b");
        if (f) f = freopen(name, "w+b", f);
        break;
    default: // 4: open or create
        f = fopen(name, "r+b");
        if (!f) f = fopen(name, "w+b");
        break;
    }
    return f;
}

int FileWrite(void* file, const void* data, uint32_t size, uint32_t* written, void*) {
    if (written) *written = 0;
    if (!file || (!data && size)) return 0;
    size_t n = size ? fwrite(data, 1, size, static_cast<FILE*>(file)) : 0;
    if (written) *written = (uint32_t)n;
    return n == size;
}

void FileClose(void* file) {
    if (file) fclose(static_cast<FILE*>(file));
}

// Keeps printable ASCII only and trims blanks at both ends.
void CleanName(char* text) {
    if (!text) return;
    char* out = text;
    for (const char* in = text; *in; in++)
        if (*in >= 0x20 && *in <= 0x7E) *out++ = *in;
    *out = 0;
    while (out > text && out[-1] == ' ')
        *--out = 0;
    char* start = text;
    while (*start == ' ')
        start++;
    if (start != text) memmove(text, start, strlen(start) + 1);
}

// The address as it lies in memory (network order): first byte first.
const char* AddressText(uint32_t address) {
    static char text[16];
    snprintf(text, sizeof text, "%u.%u.%u.%u", address & 0xFF, (address >> 8) & 0xFF, (address >> 16) & 0xFF,
             address >> 24);
    return text;
}

const char* LocalAddressText() {
    return "127.0.0.1";
}

namespace standin {

int LiveBlocks() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return (int)State().blocks.size();
}

std::vector<std::string> LogLines() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().logLines;
}

void SetFullContent(bool full) {
    State().fullContent = full ? 1 : 0;
}

} // namespace standin

namespace standin::internal {

// Live blocks are real memory and stay counted.
void ResetPellick() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().logLines.clear();
    State().fullContent = 1;
}

} // namespace standin::internal

// ---- saved state (Saved.h) ----------------------------------------------------------------
namespace standin::saved {
namespace {
struct UtilityPart {
    std::vector<std::string> logLines;
    int fullContent;
};
} // namespace
Part SaveUtility() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return Copy(UtilityPart{State().logLines, State().fullContent});
}
void RestoreUtility(const Part& part) {
    const UtilityPart& p = Copied<UtilityPart>(part);
    std::lock_guard<std::mutex> lock(State().mutex);
    State().logLines = p.logLines;
    State().fullContent = p.fullContent;
}
} // namespace standin::saved
