// A swish: noise through a band that sweeps, loudest where the tool moves
// fastest. Shared by the brush's coming and going.
#include <cmath>

#include "tools/sounds/sounds.h"

Sound swish(double seconds, double fromHz, double toHz, double peakAt, std::uint32_t seed) {
    Sound s = silence(seconds);
    BandPass band;
    OnePole soften;
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = double(i) / double(s.samples.size());
        const double centre = fromHz * std::pow(toHz / fromHz, t);
        const double level = riseAndFall(t, peakAt, 1.6);
        s.samples[i] = level * soften.lowPass(band.run(whiteNoise(seed), centre, 1.5), 5000);
    }
    softenEnds(s, 0.02, 0.03);
    setPeak(s, -6);
    return s;
}
