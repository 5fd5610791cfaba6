// The toolkit the sound files share: a mono sample buffer, deterministic
// noise, gentle filters and envelopes, and the finishing every sound gets
// (soft ends, a set peak) before it is written as a 16-bit mono WAV file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Sounds with anything bright in them (strikes, a pop's click, a crack's
// grit) are made at the full rate the game mixes at; the loops and the other
// soft sounds hold nothing above a few kilohertz and are made at half of it,
// which halves what the page must download for them.
constexpr int fullRate = 48000;
constexpr int softRate = 24000;
// The rate of the sound being made, set before each maker runs.
int soundRate();
void setSoundRate(int rate);
constexpr double pi = 3.14159265358979323846;

struct Sound {
    std::vector<double> samples;
};

Sound silence(double seconds);
double secondsOf(const Sound& sound);

// Uniform noise in [-1, 1] from a seed the caller keeps: same seed, same sound.
double whiteNoise(std::uint32_t& seed);

// One-pole low-pass and its high-pass complement, cut-off in Hz, per sample so
// that a sweep can move it.
struct OnePole {
    double state = 0;
    double lowPass(double x, double cutoff);
    double highPass(double x, double cutoff);
};

// A resonant band-pass (state-variable filter) for wet, vocal colours.
struct BandPass {
    double low = 0;
    double band = 0;
    double run(double x, double centre, double q);
};

// Envelopes over 0..1 of a sound's length.
double riseAndFall(double t, double attack, double decayPower);
double smoothStep(double t);

// Raised-cosine fades at both ends, so every sound starts and ends at zero.
void softenEnds(Sound& sound, double fadeInSeconds, double fadeOutSeconds);
// Scales the loudest sample to peakDbfs (below 0).
void setPeak(Sound& sound, double peakDbfs);
// Makes a loop of a sound rendered overlapSeconds longer than the loop: the
// extra tail is faded into the start at equal power, so the last sample leads
// into the first as smoothly as any two neighbours and nothing dips at the
// joint, whatever noise or filter state the sound carries across it.
void closeLoop(Sound& sound, double overlapSeconds);
// 16-bit mono PCM at soundRate(); false (and a line on standard error) if the
// file cannot be written.
bool writeWav(const std::string& path, const Sound& sound);
