// A fallen tooth lands somewhere below the picture: a soft, low thud with a
// knock of enamel on top, so that it is heard on speakers with no bass.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makeThud() {
    Sound s = silence(0.4);
    std::uint32_t seed = 9;
    BandPass grit;
    double body = 0;
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate();
        body += 2 * pi * (70 + 70 * std::exp(-t * 25)) / soundRate();
        const double low = 0.8 * std::exp(-t * 12) * std::sin(body);
        // Two damped modes of a small hard thing, a little out of tune.
        const double knock = std::exp(-t * 18) * (0.8 * std::sin(2 * pi * 430 * t) + 0.5 * std::sin(2 * pi * 710 * t));
        const double dust = std::exp(-t * 45) * grit.run(whiteNoise(seed), 950, 1.4);
        s.samples[i] = (low + knock + 0.9 * dust) * smoothStep(t / 0.004);
    }
    softenEnds(s, 0.004, 0.06);
    setPeak(s, -4);
    return s;
}
