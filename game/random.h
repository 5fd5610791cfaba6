// The game's one source of randomness: a fixed linear congruential sequence
// started at 1 and never reseeded, so every run sees the same draws.
#pragma once
#include <cstdint>

extern std::uint32_t randomState;

// A whole number from 0 to 32767.
int nextRandom();
// One draw scaled to [0, 1], both ends included.
float nextUnit();
// Back to the start of the sequence (tests and replay).
void resetRandom();
