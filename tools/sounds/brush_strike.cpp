// The brush's strike: a bright, clean chime, the teeth sparkling. Three
// chords of the same brightness, so the strike that comes every half minute
// is never quite the last one again.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makeBrushStrike(int variant) {
    // Each note: frequency, level, decay per second.
    // The last two are the sparkle high above the chord, gone in a blink.
    const double chords[brushStrikeVariants][6][3] = {
        {{1568, 1.0, 5}, {2093, 0.8, 6}, {3136, 0.45, 9}, {4186, 0.25, 12}, {12544, 0.2, 14}, {16744, 0.1, 20}},
        {{1760, 1.0, 5}, {2217, 0.75, 6}, {2637, 0.5, 8}, {3520, 0.3, 11}, {14080, 0.2, 14}, {17600, 0.1, 20}},
        {{1397, 1.0, 5}, {2093, 0.7, 6}, {2794, 0.5, 8}, {4186, 0.3, 12}, {12544, 0.2, 14}, {16744, 0.1, 20}},
    };
    Sound s = silence(0.7);
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate();
        double v = 0;
        for (const auto& note : chords[variant]) v += note[1] * std::exp(-note[2] * t) * std::sin(2 * pi * note[0] * t);
        s.samples[i] = v * smoothStep(t / 0.0025);  // struck: it rings at once
    }
    softenEnds(s, 0.0025, 0.08);
    setPeak(s, -4);
    return s;
}
