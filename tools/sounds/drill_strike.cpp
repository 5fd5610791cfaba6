// The drill's strike: a soft metallic ding, a tooth made whole. Three small
// bells a step apart, struck at random.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makeDrillStrike(int variant) {
    const double bellHz[drillStrikeVariants] = {880, 988, 784};
    // A small bell's partials stand at these ratios to its note; the highest
    // is the tick of the strike itself.
    const double partials[][3] = {{1.0, 1.0, 6}, {2.75, 0.35, 10}, {5.0, 0.15, 16}, {16.0, 0.08, 30}};
    Sound s = silence(0.6);
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate();
        double v = 0;
        for (const auto& p : partials) v += p[1] * std::exp(-p[2] * t) * std::sin(2 * pi * bellHz[variant] * p[0] * t);
        s.samples[i] = v * smoothStep(t / 0.0025);  // struck: it rings at once
    }
    softenEnds(s, 0.0025, 0.08);
    setPeak(s, -5);
    return s;
}
