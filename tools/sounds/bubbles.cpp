// The bed under a swarm: a steady simmer of small bubbles over a faint fizz,
// two seconds that loop. Bubbles overlap thickly enough that no moment of it
// drops out, and the last quarter second is faded into the first, so the
// joint is as smooth as the rest.
#include <cmath>

#include "tools/sounds/sounds.h"

namespace {
constexpr double loopSeconds = 2.0;
constexpr double overlapSeconds = 0.25;
constexpr int bubbleCount = 340;
constexpr double bubbleSeconds = 0.06;
}  // namespace

Sound makeBubbles() {
    Sound s = silence(loopSeconds + overlapSeconds);
    std::uint32_t seed = 2024;
    const double room = secondsOf(s) - bubbleSeconds;
    for (int b = 0; b < bubbleCount; ++b) {
        const double start = room * (0.5 + 0.5 * whiteNoise(seed));
        const double baseHz = 320 + 520 * (0.5 + 0.5 * whiteNoise(seed));
        const double loudness = 0.3 + 0.7 * (0.5 + 0.5 * whiteNoise(seed));
        const auto first = static_cast<std::size_t>(start * soundRate);
        const auto count = static_cast<std::size_t>(bubbleSeconds * soundRate);
        double phase = 0;
        for (std::size_t i = 0; i < count && first + i < s.samples.size(); ++i) {
            const double t = double(i) / double(count);
            phase += 2 * pi * baseHz * (1 + 0.7 * t) / soundRate;
            // Soft-edged, unlike a birth's pop: a bed, not a string of events.
            s.samples[first + i] += loudness * riseAndFall(t, 0.35, 1.5) * std::sin(phase);
        }
    }
    BandPass fizz;
    for (double& v : s.samples) v += 0.8 * fizz.run(whiteNoise(seed), 1300, 0.8);
    closeLoop(s, overlapSeconds);
    setPeak(s, -6);
    return s;
}
