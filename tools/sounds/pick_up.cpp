// A squeak: a quick rising chirp, the sound of something sticky let go of.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makePickUp() {
    Sound s = silence(0.11);
    double phase = 0;
    const double length = secondsOf(s);
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate() / length;
        const double hz = 700 + 650 * smoothStep(t) + 25 * std::sin(2 * pi * 38 * t * length);
        phase += 2 * pi * hz / soundRate();
        s.samples[i] = riseAndFall(t, 0.15, 2.0) * (std::sin(phase) + 0.2 * std::sin(2 * phase));
    }
    softenEnds(s, 0.005, 0.01);
    setPeak(s, -6);
    return s;
}
