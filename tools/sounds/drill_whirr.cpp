// The drill's whirr while it creeps in and works: a motor's hum under a
// turbine's whine, with a wobble. Each take is one second, which holds every
// part a whole number of times, and its own slow sway of speed and weight
// comes back to nothing at both ends: any take leads into any other without
// a break, and the player's order of them never comes round again.
#include <algorithm>
#include <cmath>

#include "tools/sounds/sounds.h"

namespace {
constexpr double motorHz = 170;   // whole numbers of cycles a second:
constexpr double whineHz = 2040;  // the second-long take holds each part
// a whole number of times
// Each take's wobble (whole cycles a second) and sway: how far the whine
// bends, and how fast it sways (whole half-cycles in a second, so it is back
// to nothing at the end).
constexpr double sways[drillWhirrVariants][3] = {{5, 0.0, 1}, {4, 0.9, 3}, {6, 0.7, 2}, {7, 0.8, 4}};

Sound rawTake(int variant) {
    Sound s = silence(1.0);
    const double wobbleHz = sways[variant][0], depth = sways[variant][1], halfCycles = sways[variant][2];
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate();
        const double sway = std::sin(pi * halfCycles * t) * std::sin(pi * t);
        const double wobble = std::sin(2 * pi * wobbleHz * t) + depth * sway;
        double hum = 0;
        for (int k = 1; k <= 8; ++k) hum += std::sin(2 * pi * motorHz * k * t) / k;
        const double whine = std::sin(2 * pi * whineHz * t + 0.6 * wobble) + 0.3 * std::sin(2 * pi * 2 * whineHz * t);
        s.samples[i] = (0.55 * hum + 0.45 * whine) * (0.8 + 0.12 * wobble / (1 + depth) + 0.08 * sway);
    }
    return s;
}
}  // namespace

// Every take at one scale, the loudest peak of them at -8 dBFS, so that
// none is louder than the one it follows.
Sound makeDrillWhirr(int variant) {
    double loudest = 0;
    for (int v = 0; v < drillWhirrVariants; ++v)
        for (double x : rawTake(v).samples) loudest = std::max(loudest, std::fabs(x));
    Sound s = rawTake(variant);
    for (double& x : s.samples) x *= std::pow(10.0, -8.0 / 20.0) / loudest;
    return s;
}
