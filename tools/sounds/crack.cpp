// A tooth gives way: quick crackles over a dull knock, short and rounded
// rather than sharp. Three breaks, each with its own crackles, so that teeth
// falling one after another do not sound like one recording.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makeCrack(int variant) {
    struct Break {
        double crackles[4];  // moments, seconds; negative for none
        double gritHz, knockHz;
        std::uint32_t seed;
    };
    const Break breaks[crackVariants] = {
        {{0.0, 0.035, 0.08, -1}, 1700, 300, 5},
        {{0.0, 0.022, 0.05, 0.11}, 2000, 340, 15},
        {{0.0, 0.06, -1, -1}, 1450, 270, 25},
    };
    const Break& b = breaks[variant];
    Sound s = silence(0.3);
    std::uint32_t seed = b.seed;
    BandPass grit;
    double phase = 0;
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate();
        double burst = 0;
        for (double at : b.crackles)
            if (at >= 0 && t >= at) burst += std::exp(-(t - at) * 90) * smoothStep((t - at) / 0.002);
        phase += 2 * pi * (b.knockHz - 120 * t / 0.3) / soundRate();
        const double knock = std::exp(-t * 18) * smoothStep(t / 0.005) * (std::sin(phase) + 0.3 * std::sin(2 * phase));
        s.samples[i] = 0.9 * burst * grit.run(whiteNoise(seed), b.gritHz, 3) + 0.6 * knock;
    }
    softenEnds(s, 0.003, 0.05);
    setPeak(s, -5);
    return s;
}
