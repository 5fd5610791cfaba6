// The bed under a swarm: small low bubbles at random moments, two seconds
// that loop. None crosses the ends, so the loop joins silence to silence.
#include <cmath>

#include "tools/sounds/sounds.h"

namespace {
constexpr int bubbleCount = 60;
constexpr double bubbleSeconds = 0.09;
}  // namespace

Sound makeBubbles() {
    Sound s = silence(2.0);
    std::uint32_t seed = 2024;
    const double room = secondsOf(s) - bubbleSeconds - 0.04;
    for (int b = 0; b < bubbleCount; ++b) {
        const double start = 0.02 + room * (0.5 + 0.5 * whiteNoise(seed));
        const double baseHz = 260 + 380 * (0.5 + 0.5 * whiteNoise(seed));
        const double loudness = 0.35 + 0.65 * (0.5 + 0.5 * whiteNoise(seed));
        const auto first = static_cast<std::size_t>(start * soundRate);
        const auto count = static_cast<std::size_t>(bubbleSeconds * soundRate);
        double phase = 0;
        for (std::size_t i = 0; i < count && first + i < s.samples.size(); ++i) {
            const double t = double(i) / double(count);
            phase += 2 * pi * baseHz * (1 + 0.8 * t) / soundRate;
            // Soft-edged, unlike a birth's pop: a bed, not a string of events.
            s.samples[first + i] += loudness * riseAndFall(t, 0.45, 1.5) * std::sin(phase);
        }
    }
    softenEnds(s, 0.01, 0.01);
    setPeak(s, -6);
    return s;
}
