// A loop made of takes: the bed and the drill's whirr come as several short
// takes, each leading smoothly into any other. Joined in an order drawn from
// the player's own sequence into one long loop, they never come round in
// step, and the loop's own length is too long for the ear to hear it return.
#pragma once
#include <cstdint>
#include <vector>

#include "audio/wav_file.h"

// The takes joined one after another, never the same take twice running
// (unless there is only one), until the loop lasts at least `seconds` at the
// takes' rate. Takes of another rate than the first are left out. The same
// seed gives the same loop.
std::vector<std::int16_t> joinTakes(const std::vector<WavSound>& takes, double seconds, std::uint32_t seed);
