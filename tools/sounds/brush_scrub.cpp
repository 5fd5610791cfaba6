// Scrubbing: bristles through foam, a stroke each time the brush turns, at
// the rate it swings (30 radians a second, two strokes a swing). Each bristle
// that flicks off a tooth is a tick that rings for a moment; the ticks crowd
// as a stroke swells and thin out as it turns, over a soft hush of foam that
// never stops. Nothing in it is brighter than a bristle's ring, so it never
// hisses. Five swings make the loop, its joint faded over as the rest.
#include <cmath>

#include "tools/sounds/sounds.h"

namespace {
constexpr double swingRate = 30;  // radians per second, as the brush moves
constexpr int swings = 5;
constexpr double overlapSeconds = 0.1;
constexpr double fewestTicks = 700;   // a second, as the brush turns
constexpr double mostTicks = 3200;    // a second, mid-stroke
}  // namespace

Sound makeBrushScrub() {
    Sound s = silence(swings * 2 * pi / swingRate + overlapSeconds);
    std::uint32_t seed = 77;
    BandPass ring, foam;
    OnePole soft[3];
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate();
        const double stroke = std::pow(std::fabs(std::sin(swingRate * t)), 1.5);
        const double chance = (fewestTicks + (mostTicks - fewestTicks) * stroke) / soundRate();
        const double draw = 0.5 + 0.5 * whiteNoise(seed);
        const double strength = whiteNoise(seed);
        const double tick = draw < chance ? strength : 0.0;
        const double bristles = 3.0 * ring.run(tick, 2100 + 700 * stroke, 5);
        const double hush = foam.run(whiteNoise(seed), 900, 0.7);
        const double v = bristles + (0.25 + 0.2 * stroke) * hush;
        s.samples[i] = soft[2].lowPass(soft[1].lowPass(soft[0].lowPass(v, 4000), 4000), 4000);
    }
    closeLoop(s, overlapSeconds);
    setPeak(s, -6);
    return s;
}
