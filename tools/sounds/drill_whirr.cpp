// The drill's whirr while it creeps in and works: a soft motor note with a
// slow wobble, a second long so the loop's short breath at the joint reads
// as the motor's own.
#include <cmath>

#include "tools/sounds/sounds.h"

namespace {
constexpr double motorHz = 170;
constexpr double wobbleHz = 5;
}  // namespace

Sound makeDrillWhirr() {
    Sound s = silence(1.0);
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate;
        double v = 0;
        for (int k = 1; k <= 6; ++k) v += std::sin(2 * pi * motorHz * k * t) / (k * k);
        s.samples[i] = v * (0.8 + 0.2 * std::sin(2 * pi * wobbleHz * t));
    }
    softenEnds(s, 0.03, 0.03);
    setPeak(s, -8);
    return s;
}
