// The drill's whirr while it creeps in and works: a motor's hum under a
// turbine's whine, with a slow wobble. Every part repeats exactly once a
// second, so the loop joins without a breath; the whine carries it on small
// speakers that cannot play the hum.
#include <cmath>

#include "tools/sounds/sounds.h"

namespace {
constexpr double motorHz = 170;   // whole numbers of cycles a second:
constexpr double whineHz = 2040;  // the second-long loop holds each part
constexpr double wobbleHz = 5;    // a whole number of times
}  // namespace

Sound makeDrillWhirr() {
    Sound s = silence(1.0);
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate;
        const double wobble = std::sin(2 * pi * wobbleHz * t);
        double hum = 0;
        for (int k = 1; k <= 8; ++k) hum += std::sin(2 * pi * motorHz * k * t) / k;
        const double whine = std::sin(2 * pi * whineHz * t + 0.6 * wobble) + 0.3 * std::sin(2 * pi * 2 * whineHz * t);
        s.samples[i] = (0.55 * hum + 0.45 * whine) * (0.85 + 0.15 * wobble);
    }
    setPeak(s, -8);
    return s;
}
