// The drill's strike: a soft metallic ding, a tooth made whole.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makeDrillStrike() {
    Sound s = silence(0.6);
    const double partials[][3] = {{880, 1.0, 6}, {2420, 0.35, 10}, {4400, 0.15, 16}};
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate;
        double v = 0;
        for (const auto& p : partials) v += p[1] * std::exp(-p[2] * t) * std::sin(2 * pi * p[0] * t);
        s.samples[i] = v * smoothStep(t / 0.004);
    }
    softenEnds(s, 0.004, 0.08);
    setPeak(s, -5);
    return s;
}
