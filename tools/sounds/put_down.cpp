// A wet plop: a falling note with a little splash of filtered noise.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makePutDown() {
    Sound s = silence(0.16);
    double phase = 0;
    std::uint32_t seed = 11;
    BandPass splash;
    const double length = secondsOf(s);
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate / length;
        const double hz = 180 + 340 * std::exp(-5 * t);
        phase += 2 * pi * hz / soundRate;
        const double body = riseAndFall(t, 0.05, 3.0) * std::sin(phase);
        const double wet = riseAndFall(t, 0.03, 6.0) * splash.run(whiteNoise(seed), 1400, 4) * 0.6;
        s.samples[i] = body + wet;
    }
    softenEnds(s, 0.004, 0.02);
    setPeak(s, -5);
    return s;
}
