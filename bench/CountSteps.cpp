// The measured steps of bench_count's children and the channel they fill
// (CountSteps.h). State: none besides the loaded module.
#include "CountSteps.h"

#include <unistd.h>
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>

#include "BenchChannel.h"

namespace si = standin;

namespace bench {

// ---- the measured steps -------------------------------------------------------------
void StartCounting() {
    si::Enqueue([] { CALLGRIND_START_INSTRUMENTATION; });
}

std::string Tagged(const std::string& row, int repeat) {
    return row + "#" + std::to_string(repeat);
}

static std::string StepName(const std::string& row, int step) {
    return row + "/" + std::to_string(step);
}

void MeasureFrame(const std::string& row, std::function<void()> before) {
    MeasureFrames(row, 1, std::move(before));
}

void MeasureFrames(const std::string& row, int frames, std::function<void()> before, int firstStep,
                   std::function<void()> after) {
    si::Enqueue([before] {
        if (before) before();
        CALLGRIND_ZERO_STATS;
    });
    for (int step = firstStep; step < firstStep + frames; ++step)
        si::Enqueue([name = StepName(row, step), after = step + 1 == firstStep + frames ? after : nullptr] {
            CALLGRIND_DUMP_STATS_AT(name.c_str());
            CALLGRIND_ZERO_STATS;
            if (after) after();
        });
}

void MeasureSpan(const std::string& row, int frames, std::function<void()> before) {
    si::Enqueue([before] {
        if (before) before();
        CALLGRIND_ZERO_STATS;
    });
    si::Frames(frames - 1);
    si::Enqueue([name = StepName(row, 0)] { CALLGRIND_DUMP_STATS_AT(name.c_str()); });
}

void MeasureAction(const std::string& row, int step, std::function<void()> action) {
    si::Enqueue([name = StepName(row, step), action] {
        CALLGRIND_ZERO_STATS;
        CALLGRIND_TOGGLE_COLLECT;
        action();
        CALLGRIND_TOGGLE_COLLECT;
        CALLGRIND_DUMP_STATS_AT(name.c_str());
    });
}

// ---- the channel ----------------------------------------------------------------------
// A fixed sequence of numbers per seed: the same names at every channel size.
static uint32_t Mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

// Three letters that tell user i from the others, then letters up to a length
// drawn from [kMinName, longest].
static std::string NameOf(int i, uint32_t seed, int longest) {
    static const char kLetters[] = "aeiourstlnkmdvgh";
    std::string name;
    name += (char)('A' + i % 26);
    name += (char)('a' + i / 26 % 26);
    name += (char)('a' + i / 676 % 26);
    uint32_t r = Mix((uint32_t)i * 2654435761u ^ seed);
    size_t length = (size_t)(kMinName + r % (uint32_t)(longest - kMinName + 1));
    while (name.size() < length) {
        r = Mix(r + 1);
        name += kLetters[r % 16];
    }
    return name;
}

std::string CharacterName(int i) {
    return NameOf(i, 0x51ed27u, kMaxName);
}

std::string UserName(int i) {
    return CharacterName(i) + "*" + NameOf(i, 0xacc0u, kMaxAccount);
}

uint32_t UserFlags(int i) {
    static const uint32_t kPlain[8] = {0, 0, 0x01, 0, 0x04, 0, 0x08, 0x20};
    return i % kOperatorEvery == kOperatorEvery - 1 ? 0x02 : kPlain[i % 8];
}

std::string UserDescription(int i) {
    return Description(CharacterName(i), i % 7, i % 20);
}

std::string TalkLine(int seed, int length) {
    std::string line;
    uint32_t r = Mix((uint32_t)seed);
    while ((int)line.size() < length) {
        if (!line.empty()) line += ' ';
        r = Mix(r + 7);
        int word = 2 + (int)(r % 8);
        for (int k = 0; k < word && (int)line.size() < length; ++k)
            line += (char)('a' + (r >> (k + 3)) % 26);
    }
    return line;
}

void FillChannel(int users) {
    si::PushChatEvent(7, 0, "", "Bench");
    for (int i = 0; i < users; ++i)
        si::PushChatEvent(1, UserFlags(i), UserName(i), UserDescription(i));
}

double MeanNameLength(int users, bool account) {
    double sum = 0;
    for (int i = 0; i < users; ++i) {
        std::string name = UserName(i);
        size_t star = name.find('*');
        sum += (double)(account ? name.size() - star - 1 : star);
    }
    return users ? sum / users : 0;
}

} // namespace bench
