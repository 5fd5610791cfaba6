// Scrubbing: bristles through foam, a stroke each time the brush turns, at
// the rate it swings (30 radians a second, two strokes a swing). The bristles
// never leave the teeth, so the sound swells with each stroke but never stops;
// five swings make the loop, its joint faded over as the rest.
#include <cmath>

#include "tools/sounds/sounds.h"

namespace {
constexpr double swingRate = 30;  // radians per second, as the brush moves
constexpr int swings = 5;
constexpr double overlapSeconds = 0.1;
}  // namespace

Sound makeBrushScrub() {
    Sound s = silence(swings * 2 * pi / swingRate + overlapSeconds);
    std::uint32_t seed = 77;
    BandPass foam;
    OnePole air;
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate;
        const double stroke = std::pow(std::fabs(std::sin(swingRate * t)), 1.5);
        const double bristles = foam.run(whiteNoise(seed), 2400 + 900 * stroke, 1.1);
        s.samples[i] = (0.45 + 0.55 * stroke) * air.lowPass(bristles, 6500);
    }
    closeLoop(s, overlapSeconds);
    setPeak(s, -6);
    return s;
}
