// The sound toolkit: everything here is plain arithmetic on doubles, so every
// run writes the same bytes.
#include "tools/sounds/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
int rateInUse = fullRate;
}

int soundRate() { return rateInUse; }
void setSoundRate(int rate) { rateInUse = rate; }

Sound silence(double seconds) {
    Sound s;
    s.samples.assign(static_cast<std::size_t>(seconds * soundRate()), 0.0);
    return s;
}

double secondsOf(const Sound& sound) { return static_cast<double>(sound.samples.size()) / soundRate(); }

double whiteNoise(std::uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(seed >> 8) / 8388607.5 - 1.0;
}

double OnePole::lowPass(double x, double cutoff) {
    const double a = 1.0 - std::exp(-2.0 * pi * cutoff / soundRate());
    state += a * (x - state);
    return state;
}

double OnePole::highPass(double x, double cutoff) { return x - lowPass(x, cutoff); }

double BandPass::run(double x, double centre, double q) {
    const double f = 2.0 * std::sin(pi * std::min(centre, soundRate() / 6.0) / soundRate());
    const double high = x - low - band / q;
    band += f * high;
    low += f * band;
    return band;
}

double riseAndFall(double t, double attack, double decayPower) {
    if (t <= 0 || t >= 1) return 0;
    if (t < attack) return smoothStep(t / attack);
    return std::pow(1.0 - (t - attack) / (1.0 - attack), decayPower);
}

double smoothStep(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

void softenEnds(Sound& sound, double fadeInSeconds, double fadeOutSeconds) {
    const std::size_t n = sound.samples.size();
    const auto in = std::min(n, static_cast<std::size_t>(fadeInSeconds * soundRate()) + 1);
    const auto out = std::min(n, static_cast<std::size_t>(fadeOutSeconds * soundRate()) + 1);
    for (std::size_t i = 0; i < in; ++i) sound.samples[i] *= 0.5 - 0.5 * std::cos(pi * double(i) / double(in));
    for (std::size_t i = 0; i < out; ++i)
        sound.samples[n - 1 - i] *= 0.5 - 0.5 * std::cos(pi * double(i) / double(out));
}

void setPeak(Sound& sound, double peakDbfs) {
    double peak = 0;
    for (double v : sound.samples) peak = std::max(peak, std::fabs(v));
    if (peak <= 0) return;
    const double scale = std::pow(10.0, peakDbfs / 20.0) / peak;
    for (double& v : sound.samples) v *= scale;
}

void closeLoop(Sound& sound, double overlapSeconds) {
    const auto overlap = static_cast<std::size_t>(overlapSeconds * soundRate());
    if (overlap == 0 || overlap * 2 > sound.samples.size()) return;
    const std::size_t loop = sound.samples.size() - overlap;
    for (std::size_t i = 0; i < overlap; ++i) {
        // Noise and tones alike: the two halves are unrelated at the joint,
        // so their powers, not their amplitudes, add to one.
        const double into = 0.5 * pi * (double(i) + 0.5) / double(overlap);
        sound.samples[i] = sound.samples[i] * std::sin(into) + sound.samples[loop + i] * std::cos(into);
    }
    sound.samples.resize(loop);
}

namespace {
void put16(std::FILE* f, unsigned v) {
    std::fputc(int(v & 255), f);
    std::fputc(int((v >> 8) & 255), f);
}
void put32(std::FILE* f, unsigned v) {
    put16(f, v & 0xffff);
    put16(f, v >> 16);
}
}  // namespace

bool writeWav(const std::string& path, const Sound& sound) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make-sounds: cannot write %s\n", path.c_str());
        return false;
    }
    const auto dataBytes = static_cast<unsigned>(sound.samples.size() * 2);
    std::fputs("RIFF", f);
    put32(f, 36 + dataBytes);
    std::fputs("WAVEfmt ", f);
    put32(f, 16);
    put16(f, 1);  // PCM
    put16(f, 1);  // mono
    put32(f, soundRate());
    put32(f, soundRate() * 2);
    put16(f, 2);
    put16(f, 16);
    std::fputs("data", f);
    put32(f, dataBytes);
    for (double v : sound.samples) {
        const long q = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
        put16(f, static_cast<unsigned>(q) & 0xffff);
    }
    const bool ok = std::ferror(f) == 0;
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "make-sounds: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
