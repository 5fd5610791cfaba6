// The brush's strike: a bright, clean chime, the teeth sparkling.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makeBrushStrike() {
    Sound s = silence(0.7);
    const double notes[][3] = {{1568, 1.0, 5}, {2093, 0.8, 6}, {3136, 0.45, 9}, {4186, 0.25, 12}};
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate;
        double v = 0;
        for (const auto& note : notes) v += note[1] * std::exp(-note[2] * t) * std::sin(2 * pi * note[0] * t);
        s.samples[i] = v * smoothStep(t / 0.004);
    }
    softenEnds(s, 0.004, 0.08);
    setPeak(s, -4);
    return s;
}
