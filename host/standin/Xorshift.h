// The simulated crowds' pseudo-random numbers: xorshift32, the same sequence
// for the same seed, so that a crowd run can be repeated. State: the sequence's.
#pragma once

#include <cstdint>

namespace standin {

struct Xorshift32 {
    uint32_t state = 1;

    // A seed of 0 would stay 0 for ever: it starts from 1 instead.
    void Seed(uint32_t seed) { state = seed ? seed : 1; }
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // 0..n-1, and 0 for n = 0.
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
};

} // namespace standin
