// The drill leaves: its motor and whine wind down together and fade, the
// whine falling through the middle of the range so that small speakers
// still hear it go.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makeDrillOut() {
    Sound s = silence(0.9);
    double motor = 0, whine = 0;
    const double length = secondsOf(s);
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate() / length;
        const double slowing = 1 - 0.55 * smoothStep(t);
        motor += 2 * pi * 170 * slowing / soundRate();
        whine += 2 * pi * 2040 * slowing * slowing / soundRate();
        double hum = 0;
        for (int k = 1; k <= 8; ++k) hum += std::sin(k * motor) / k;
        s.samples[i] = (0.5 * hum + 0.5 * std::sin(whine)) * riseAndFall(t, 0.04, 1.6);
    }
    softenEnds(s, 0.01, 0.03);
    setPeak(s, -6);
    return s;
}
