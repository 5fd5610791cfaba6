// A bacterium's birth: the tiny pop of a bubble, its pitch rising as it
// bursts. The player varies the pitch, so many in a row do not sound alike.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound makePop() {
    Sound s = silence(0.055);
    double phase = 0;
    const double length = secondsOf(s);
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / soundRate / length;
        const double hz = 950 + 900 * t;
        phase += 2 * pi * hz / soundRate;
        s.samples[i] = riseAndFall(t, 0.08, 2.5) * std::sin(phase);
    }
    softenEnds(s, 0.003, 0.008);
    setPeak(s, -4);
    return s;
}
