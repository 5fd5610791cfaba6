// Scrubbing: bristles through foam, one stroke each time the brush turns, at
// the rate it swings (30 radians a second, two strokes a swing). Five swings
// make the loop, which starts and ends where a stroke turns and is silent.
#include <cmath>

#include "tools/sounds/sounds.h"

namespace {
constexpr double swingRate = 30;  // radians per second, as the brush moves
constexpr int swings = 5;
}  // namespace

Sound makeBrushScrub() {
    Sound s = silence(swings * 2 * pi / swingRate);
    std::uint32_t seed = 77;
    BandPass foam;
    OnePole air;
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate;
        const double stroke = std::pow(std::fabs(std::sin(swingRate * t)), 1.5);
        const double bristles = foam.run(whiteNoise(seed), 2600 + 600 * stroke, 1.2);
        s.samples[i] = stroke * air.lowPass(bristles, 6000);
    }
    softenEnds(s, 0.002, 0.002);
    setPeak(s, -6);
    return s;
}
