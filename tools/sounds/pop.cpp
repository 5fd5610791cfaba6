// A bacterium's birth: the tiny pop of a bubble, its pitch rising as it
// bursts. Three of them, small, smaller and wetter; the player picks one and
// shifts its pitch and level, so a swarm's pops never sound alike.
#include <cmath>

#include "tools/sounds/sounds.h"

namespace {
constexpr double clickAt = 0.004;  // seconds
}  // namespace

Sound makePop(int variant) {
    struct Shape {
        double seconds, fromHz, toHz, decay, second;  // second: the share of the octave above
    };
    const Shape shapes[popVariants] = {
        {0.055, 950, 1850, 2.5, 0.0},
        {0.045, 1250, 2300, 3.0, 0.15},
        {0.07, 800, 1500, 2.0, 0.25},
    };
    const Shape& shape = shapes[variant];
    Sound s = silence(shape.seconds);
    double phase = 0;
    const double length = secondsOf(s);
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate() / length;
        const double hz = shape.fromHz + (shape.toHz - shape.fromHz) * t;
        phase += 2 * pi * hz / soundRate();
        s.samples[i] = riseAndFall(t, 0.08, shape.decay) * (std::sin(phase) + shape.second * std::sin(2 * phase));
    }
    // The film's click as it bursts: a tick of bright noise a few
    // milliseconds in, past the soft start.
    std::uint32_t seed = 501 + static_cast<std::uint32_t>(variant);
    OnePole dull;
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double since = double(i) / soundRate() - clickAt;
        const double bright = dull.highPass(whiteNoise(seed), 5000);
        if (since >= 0) s.samples[i] += 0.3 * std::exp(-since / 0.0007) * bright;
    }
    softenEnds(s, 0.003, 0.008);
    setPeak(s, -4);
    return s;
}
