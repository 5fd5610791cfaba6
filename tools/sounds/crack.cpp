// A tooth gives way: three quick crackles over a dull knock, short and
// rounded rather than sharp.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makeCrack() {
    Sound s = silence(0.3);
    std::uint32_t seed = 5;
    BandPass grit;
    double phase = 0;
    const double crackles[] = {0.0, 0.035, 0.08};
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate;
        double burst = 0;
        for (double at : crackles)
            if (t >= at) burst += std::exp(-(t - at) * 90) * smoothStep((t - at) / 0.002);
        phase += 2 * pi * (260 - 120 * t / 0.3) / soundRate;
        const double knock = std::exp(-t * 18) * smoothStep(t / 0.005) * std::sin(phase);
        s.samples[i] = 0.9 * burst * grit.run(whiteNoise(seed), 1700, 3) + 0.6 * knock;
    }
    softenEnds(s, 0.003, 0.05);
    setPeak(s, -5);
    return s;
}
