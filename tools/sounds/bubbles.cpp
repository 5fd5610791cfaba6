// The bed under a swarm: a simmer of small bubbles over a faint fizz, in
// takes of unlike lengths that the player joins one after another in an order
// of its own, so the bed never comes round again. Every take begins with what
// follows one shared seam and ends with what comes before it, so any take
// leads into any other as smoothly as the rest of the sound.
#include <algorithm>
#include <cmath>

#include "tools/sounds/sounds.h"

namespace {
constexpr double takeSeconds[bubblesVariants] = {1.37, 1.61, 1.79, 1.97};
constexpr double seamSeconds = 0.2;  // each end of a take fades over half of it
constexpr double bubblesPerSecond = 170;
constexpr double bubbleSeconds = 0.06;

// Bubbles strewn at random over the sound, its fizz under them.
Sound simmer(double seconds, std::uint32_t seed) {
    Sound s = silence(seconds + bubbleSeconds);
    const auto count = static_cast<int>(bubblesPerSecond * secondsOf(s));
    const double room = secondsOf(s) - bubbleSeconds;
    for (int b = 0; b < count; ++b) {
        const double start = room * (0.5 + 0.5 * whiteNoise(seed));
        const double baseHz = 320 + 520 * (0.5 + 0.5 * whiteNoise(seed));
        const double loudness = 0.3 + 0.7 * (0.5 + 0.5 * whiteNoise(seed));
        const auto first = static_cast<std::size_t>(start * soundRate());
        const auto length = static_cast<std::size_t>(bubbleSeconds * soundRate());
        double phase = 0;
        for (std::size_t i = 0; i < length && first + i < s.samples.size(); ++i) {
            const double t = double(i) / double(length);
            phase += 2 * pi * baseHz * (1 + 0.7 * t) / soundRate();
            // Soft-edged, unlike a birth's pop: a bed, not a string of events.
            s.samples[first + i] += loudness * riseAndFall(t, 0.35, 1.5) * std::sin(phase);
        }
    }
    BandPass fizz;
    for (int i = 0; i < 2000; ++i) fizz.run(whiteNoise(seed), 1300, 0.8);  // settled before it is heard
    for (double& v : s.samples) v += 0.8 * fizz.run(whiteNoise(seed), 1300, 0.8);
    // The last bubbles' tails are cut where they ring into the extra.
    s.samples.resize(static_cast<std::size_t>(seconds * soundRate()));
    return s;
}

Sound rawTake(int variant) {
    const Sound seam = simmer(seamSeconds, 4051);
    Sound s = simmer(takeSeconds[variant], 2024 + 7919u * static_cast<std::uint32_t>(variant));
    const std::size_t half = seam.samples.size() / 2, n = s.samples.size();
    for (std::size_t i = 0; i < half; ++i) {
        // The take and the seam are unrelated: their powers add to one.
        const double into = 0.5 * pi * (double(i) + 0.5) / double(half);
        s.samples[i] = s.samples[i] * std::sin(into) + seam.samples[half + i] * std::cos(into);
        s.samples[n - half + i] = s.samples[n - half + i] * std::cos(into) + seam.samples[i] * std::sin(into);
    }
    return s;
}

}  // namespace

// All takes at one scale, the loudest peak of them at -6 dBFS, so that none
// is louder than the one it follows.
Sound makeBubbles(int variant) {
    double loudest = 0;
    for (int v = 0; v < bubblesVariants; ++v)
        for (double x : rawTake(v).samples) loudest = std::max(loudest, std::fabs(x));
    Sound s = rawTake(variant);
    for (double& x : s.samples) x *= std::pow(10.0, -6.0 / 20.0) / loudest;
    return s;
}
