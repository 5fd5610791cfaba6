// A fallen tooth lands somewhere below the picture: a soft, low thud.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makeThud() {
    Sound s = silence(0.4);
    std::uint32_t seed = 9;
    OnePole muffle;
    double phase = 0;
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate;
        phase += 2 * pi * (55 + 45 * std::exp(-t * 20)) / soundRate;
        const double body = std::exp(-t * 9) * std::sin(phase);
        const double dust = std::exp(-t * 30) * muffle.lowPass(whiteNoise(seed), 250) * 2.0;
        s.samples[i] = (body + dust) * smoothStep(t / 0.006);
    }
    softenEnds(s, 0.006, 0.06);
    setPeak(s, -4);
    return s;
}
