// Measuring what the player hears: loudness as ITU-R BS.1770 defines it
// (K-weighted, gated, in LUFS), true peak from four-times oversampling, short
// levels for seams and balance, and the high-pass a small speaker puts on it.
// The figures agree with ffmpeg's ebur128 filter to within a few tenths.
#pragma once
#include <vector>

#include "tests/sound_listening.h"

// The whole recording (or the part from..to, in seconds): integrated loudness,
// with the standard's absolute (-70 LUFS) and relative (-10 LU) gates.
double integratedLoudness(const Recording& recording, double from = 0, double to = 1e9);
// The highest sample of the signal rebuilt between samples, in dBTP.
double truePeakDbtp(const Recording& recording);

// K-weighted loudness of every window of the given length, stepped by step
// seconds, over the channels as a listener sums them (LUFS; -inf for silence).
std::vector<double> shortLoudness(const Recording& recording, double windowSeconds, double stepSeconds);
// Plain RMS level of the channels' average in back-to-back windows, dBFS.
std::vector<double> windowLevels(const std::vector<float>& mono, int rate, double windowSeconds);

// The same sound through a fourth-order Butterworth high-pass, as a small
// speaker plays it.
std::vector<float> highPassed(const std::vector<float>& samples, int rate, double cutoffHz);
// Power in dB of samples[from, to).
double levelDb(const std::vector<float>& samples, std::size_t from, std::size_t to);

double median(std::vector<double> values);
// Coefficient of variation: standard deviation over mean.
double variation(const std::vector<double>& values);
