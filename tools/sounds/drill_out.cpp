// The drill leaves: its motor winds down and fades.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makeDrillOut() {
    Sound s = silence(0.9);
    double phase = 0;
    const double length = secondsOf(s);
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate / length;
        phase += 2 * pi * (170 - 90 * t) / soundRate;
        double v = 0;
        for (int k = 1; k <= 6; ++k) v += std::sin(k * phase) / (k * k);
        s.samples[i] = v * riseAndFall(t, 0.05, 1.5);
    }
    softenEnds(s, 0.01, 0.03);
    setPeak(s, -8);
    return s;
}
