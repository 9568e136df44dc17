// The module's pseudo-random generator: a linear congruential generator giving
// 0..32767, seeded once by the figure strip with the tick count.
#include "Lobby.h"

static uint32_t randomState = 1;

void RandomSeed(uint32_t seed) {
    randomState = seed;
}

int RandomNext() {
    randomState = randomState * 214013u + 2531011u;
    return (int)((randomState >> 16) & 0x7fff);
}
