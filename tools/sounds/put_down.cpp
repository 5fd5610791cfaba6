// A wet plop: a falling note with a little splash of filtered noise. Three
// takes, as a hand never puts a thing down twice the same way: lower and
// fuller, higher and quicker, one with more splash.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makePutDown(int variant) {
    struct Take {
        double seconds, lowHz, dropHz, splashHz, splash;
        std::uint32_t seed;
    };
    const Take takes[putDownVariants] = {
        {0.18, 260, 420, 1400, 0.45, 11},
        {0.15, 320, 480, 1700, 0.4, 23},
        {0.2, 240, 380, 1200, 0.6, 37},
    };
    const Take& take = takes[variant];
    Sound s = silence(take.seconds);
    double phase = 0;
    std::uint32_t seed = take.seed;
    BandPass splash;
    const double length = secondsOf(s);
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate() / length;
        const double hz = take.lowHz + take.dropHz * std::exp(-5 * t);
        phase += 2 * pi * hz / soundRate();
        // A round body that swells a moment before it falls away, and the
        // splash after it, so the two never peak together.
        const double body = riseAndFall(t, 0.1, 1.8) * (std::sin(phase) + 0.35 * std::sin(2 * phase));
        const double wet = riseAndFall(t, 0.2, 3.0) * splash.run(whiteNoise(seed), take.splashHz, 4) * take.splash;
        s.samples[i] = body + wet;
    }
    softenEnds(s, 0.004, 0.02);
    setPeak(s, -5);
    return s;
}
