// Smooth value noise from an integer hash, for the grain of gums, lips and
// enamel. The same point and salt always give the same value.
#pragma once

#include <cstdint>

#include "tools/pictures/maths.h"

// One octave, 0 to 1, smooth between whole-number lattice points.
double valueNoise(Vec2 p, std::uint32_t salt);
// Three octaves, 0 to 1, centred on 0.5.
double grain(Vec2 p, std::uint32_t salt);
