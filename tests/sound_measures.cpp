// The K-weighting's two filters are made for the recording's own rate from
// their analogue shapes (the standard gives them at 48 kHz only), the way
// libebur128 and ffmpeg do, so a 22,050 Hz mix is measured as it is.
#include "tests/sound_measures.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double pi = 3.14159265358979323846;

struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double run(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        return y;
    }
};

// BS.1770's pre-filter: a high shelf of about +4 dB above 1.7 kHz.
Biquad kShelf(int rate) {
    const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(pi * f0 / rate);
    const double vh = std::pow(10.0, gainDb / 20.0), vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    Biquad f;
    f.b0 = (vh + vb * k / q + k * k) / a0;
    f.b1 = 2.0 * (k * k - vh) / a0;
    f.b2 = (vh - vb * k / q + k * k) / a0;
    f.a1 = 2.0 * (k * k - 1.0) / a0;
    f.a2 = (1.0 - k / q + k * k) / a0;
    return f;
}

// And its second stage, the "RLB" high-pass near 38 Hz.
Biquad kHighPass(int rate) {
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(pi * f0 / rate);
    const double a0 = 1.0 + k / q + k * k;
    Biquad f;
    f.b0 = 1, f.b1 = -2, f.b2 = 1;
    f.a1 = 2.0 * (k * k - 1.0) / a0;
    f.a2 = (1.0 - k / q + k * k) / a0;
    return f;
}

Biquad butterworthHighPass(int rate, double cutoffHz, double q) {
    const double w = 2 * pi * cutoffHz / rate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
    const double a0 = 1 + alpha;
    Biquad f;
    f.b0 = (1 + c) / 2 / a0;
    f.b1 = -(1 + c) / a0;
    f.b2 = (1 + c) / 2 / a0;
    f.a1 = -2 * c / a0;
    f.a2 = (1 - alpha) / a0;
    return f;
}

std::vector<double> kWeightedSquares(const std::vector<float>& samples, int rate) {
    Biquad shelf = kShelf(rate), high = kHighPass(rate);
    std::vector<double> squares(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double y = high.run(shelf.run(samples[i]));
        squares[i] = y * y;
    }
    return squares;
}

// Every channel's K-weighted squares summed, as a running total: the mean
// square of any stretch is then one subtraction.
std::vector<double> summedSquaresTotal(const Recording& recording) {
    const std::size_t n = recording.mono.size();
    std::vector<double> total(n + 1, 0.0);
    std::vector<double> sum(n, 0.0);
    for (const auto& channel : recording.channels) {
        const std::vector<double> squares = kWeightedSquares(channel, recording.rate);
        for (std::size_t i = 0; i < n; ++i) sum[i] += squares[i];
    }
    for (std::size_t i = 0; i < n; ++i) total[i + 1] = total[i] + sum[i];
    return total;
}

double lufs(double meanSquare) {
    return meanSquare > 0 ? -0.691 + 10 * std::log10(meanSquare) : -std::numeric_limits<double>::infinity();
}

}  // namespace

double integratedLoudness(const Recording& recording, double from, double to) {
    if (recording.rate <= 0 || recording.mono.empty()) return -std::numeric_limits<double>::infinity();
    const std::vector<double> total = summedSquaresTotal(recording);
    const auto block = static_cast<std::size_t>(0.4 * recording.rate);
    const auto hop = static_cast<std::size_t>(0.1 * recording.rate);
    const auto first = static_cast<std::size_t>(std::max(0.0, from) * recording.rate);
    const std::size_t end =
        std::min(recording.mono.size(), static_cast<std::size_t>(std::min(to, 1e6) * recording.rate));
    std::vector<double> blocks;
    for (std::size_t at = first; at + block <= end; at += hop)
        blocks.push_back((total[at + block] - total[at]) / block);
    const auto gatedMean = [&](double gate) {
        double sum = 0;
        int count = 0;
        for (double z : blocks)
            if (lufs(z) > gate) sum += z, ++count;
        return count ? sum / count : 0.0;
    };
    const double relativeGate = lufs(gatedMean(-70.0)) - 10.0;
    return lufs(gatedMean(std::max(-70.0, relativeGate)));
}

double truePeakDbtp(const Recording& recording) {
    // Three points between every two samples, from a windowed sinc sixteen
    // samples wide each way (Blackman-Harris), each phase scaled to unit gain.
    constexpr int factor = 4, half = 16;
    double taps[factor][2 * half];
    for (int k = 0; k < factor; ++k) {
        double sum = 0;
        for (int m = -half + 1; m <= half; ++m) {
            const double x = m - double(k) / factor;  // distance from the point wanted
            const double sinc = x == 0 ? 1.0 : std::sin(pi * x) / (pi * x);
            const double u = (x + half) / (2.0 * half);  // 0..1 across the window
            const double window = 0.35875 - 0.48829 * std::cos(2 * pi * u) + 0.14128 * std::cos(4 * pi * u) -
                                  0.01168 * std::cos(6 * pi * u);
            taps[k][m + half - 1] = sinc * window;
            sum += sinc * window;
        }
        for (double& t : taps[k]) t /= sum;
    }
    double peak = 0;
    for (const auto& channel : recording.channels) {
        const auto n = static_cast<long>(channel.size());
        for (long i = 0; i < n; ++i) {
            peak = std::max(peak, double(std::fabs(channel[static_cast<std::size_t>(i)])));
            for (int k = 1; k < factor; ++k) {
                double v = 0;
                for (int m = -half + 1; m <= half; ++m) {
                    const long j = i + m;
                    if (j >= 0 && j < n) v += taps[k][m + half - 1] * channel[static_cast<std::size_t>(j)];
                }
                peak = std::max(peak, std::fabs(v));
            }
        }
    }
    return 20 * std::log10(peak);
}

std::vector<double> shortLoudness(const Recording& recording, double windowSeconds, double stepSeconds) {
    std::vector<double> levels;
    if (recording.rate <= 0) return levels;
    const std::vector<double> total = summedSquaresTotal(recording);
    const auto window = static_cast<std::size_t>(windowSeconds * recording.rate);
    const auto step = std::max<std::size_t>(1, static_cast<std::size_t>(stepSeconds * recording.rate));
    for (std::size_t at = 0; at + window <= recording.mono.size(); at += step)
        levels.push_back(lufs((total[at + window] - total[at]) / window));
    return levels;
}

std::vector<double> windowLevels(const std::vector<float>& mono, int rate, double windowSeconds) {
    std::vector<double> levels;
    const auto window = static_cast<std::size_t>(windowSeconds * rate);
    if (window == 0) return levels;
    for (std::size_t at = 0; at + window <= mono.size(); at += window) levels.push_back(levelDb(mono, at, at + window));
    return levels;
}

std::vector<float> highPassed(const std::vector<float>& samples, int rate, double cutoffHz) {
    // Two second-order sections with the Butterworth poles of a fourth-order filter.
    Biquad first = butterworthHighPass(rate, cutoffHz, 0.5411961),
           second = butterworthHighPass(rate, cutoffHz, 1.3065630);
    std::vector<float> out(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) out[i] = static_cast<float>(second.run(first.run(samples[i])));
    return out;
}

double levelDb(const std::vector<float>& samples, std::size_t from, std::size_t to) {
    to = std::min(to, samples.size());
    if (from >= to) return -std::numeric_limits<double>::infinity();
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
    return sum > 0 ? 10 * std::log10(sum / double(to - from)) : -std::numeric_limits<double>::infinity();
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

double variation(const std::vector<double>& values) {
    if (values.size() < 2) return 0;
    double mean = 0;
    for (double v : values) mean += v;
    mean /= double(values.size());
    double spread = 0;
    for (double v : values) spread += (v - mean) * (v - mean);
    return mean > 0 ? std::sqrt(spread / double(values.size() - 1)) / mean : 0;
}
