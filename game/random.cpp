// The random sequence. Its order of draws decides what every run looks like.
#include "game/random.h"

std::uint32_t randomState = 1;

int nextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7FFF);
}

float nextUnit() { return static_cast<float>(nextRandom() / 32767.0); }

void resetRandom() { randomState = 1; }
