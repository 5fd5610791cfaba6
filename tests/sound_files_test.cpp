// The sound files the game plays: each one's format, loudness, ends (or a
// loop's joint), the generator still writing exactly these bytes, and
// damaged files refused with a reason rather than read past their end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cmath>
#include <complex>

#include "audio/loop_takes.h"
#include "audio/sound_player.h"
#include "audio/wav_file.h"

namespace {

constexpr int minus3Dbfs = 23197;  // 32767 * 10^(-3/20)
constexpr int quietEdge = 164;     // half a percent of full scale
constexpr double edgeSeconds = 0.001;

bool isLoop(int name) { return name == BubblesSound || name == BrushScrubSound || name == DrillWhirrSound; }

// Every file of every sound, with the sound it belongs to.
std::vector<std::pair<int, const char*>> everyFile() {
    std::vector<std::pair<int, const char*>> files;
    for (int name = 0; name < soundNameCount; ++name)
        for (const char* file : soundFiles[name])
            if (file) files.push_back({name, file});
    return files;
}

TEST(SoundFiles, EachIsShortMonoSixteenBitPeaksBelowMinus3DbfsAndStartsAndEndsWithoutAClick) {
    for (const auto& [name, file] : everyFile()) {
        SCOPED_TRACE(file);
        WavSound sound;
        ASSERT_EQ(readWavFile(file, sound), "");
        // Whatever rings bright is made at the full 48 kHz, the soft sounds at half of it.
        const bool bright =
            name == BrushStrikeSound || name == DrillStrikeSound || name == PopSound || name == CrackSound;
        EXPECT_EQ(sound.rate, bright ? 48000 : 24000);
        const double seconds = double(sound.samples.size()) / sound.rate;
        EXPECT_GT(seconds, 0.03);
        EXPECT_LE(seconds, 2.0);
        int peak = 0;
        for (std::int16_t s : sound.samples) peak = std::max(peak, std::abs(int(s)));
        EXPECT_LE(peak, minus3Dbfs);
        EXPECT_GT(peak, minus3Dbfs / 8) << "loud enough to be heard at its gain";
        if (isLoop(name)) {
            // A loop never stops at its ends, it goes round: the step from
            // its last sample to its first is no bigger than its steps
            // elsewhere (all but the largest thousandth of them).
            std::vector<int> stepsBetween;
            for (std::size_t i = 1; i < sound.samples.size(); ++i)
                stepsBetween.push_back(std::abs(int(sound.samples[i]) - int(sound.samples[i - 1])));
            std::sort(stepsBetween.begin(), stepsBetween.end());
            const int usual = stepsBetween[stepsBetween.size() * 999 / 1000];
            EXPECT_LE(std::abs(int(sound.samples.front()) - int(sound.samples.back())), usual) << "the loop clicks";
            continue;
        }
        // A click is a jump from silence: the first and last samples are near
        // zero and the first and last millisecond stay far below the peak.
        EXPECT_LE(std::abs(int(sound.samples.front())), quietEdge);
        EXPECT_LE(std::abs(int(sound.samples.back())), quietEdge);
        const auto edge = static_cast<std::size_t>(edgeSeconds * sound.rate);
        int start = 0, end = 0;
        for (std::size_t i = 0; i < edge; ++i) {
            start = std::max(start, std::abs(int(sound.samples[i])));
            end = std::max(end, std::abs(int(sound.samples[sound.samples.size() - 1 - i])));
        }
        EXPECT_LE(start, peak / 4);
        EXPECT_LE(end, peak / 4);
    }
}

WavSound readSound(const char* file) {
    WavSound sound;
    EXPECT_EQ(readWavFile(file, sound), "") << file;
    return sound;
}

// Power in octave bands whose edges are 187.5 Hz times a power of two, up to
// half the sound's rate, in dB: Hann-windowed frames of 2048 samples.
std::vector<double> octaveBandsDb(const WavSound& sound) {
    constexpr std::size_t frame = 2048;
    std::vector<double> power;
    std::vector<std::complex<double>> x(frame);
    for (std::size_t start = 0; start + frame <= std::max(frame, sound.samples.size()); start += frame / 2) {
        for (std::size_t i = 0; i < frame; ++i) {
            const double v = start + i < sound.samples.size() ? sound.samples[start + i] / 32768.0 : 0.0;
            x[i] = v * (0.5 - 0.5 * std::cos(2 * M_PI * double(i) / frame));
        }
        // In-place radix-2 FFT.
        for (std::size_t i = 1, j = 0; i < frame; ++i) {
            std::size_t bit = frame >> 1;
            for (; j & bit; bit >>= 1) j ^= bit;
            j ^= bit;
            if (i < j) std::swap(x[i], x[j]);
        }
        for (std::size_t len = 2; len <= frame; len <<= 1) {
            const std::complex<double> turn = std::polar(1.0, -2 * M_PI / double(len));
            for (std::size_t i = 0; i < frame; i += len) {
                std::complex<double> w = 1;
                for (std::size_t k = 0; k < len / 2; ++k, w *= turn) {
                    const auto a = x[i + k], b = x[i + k + len / 2] * w;
                    x[i + k] = a + b, x[i + k + len / 2] = a - b;
                }
            }
        }
        double edge = 187.5;
        for (std::size_t band = 0; edge < sound.rate / 2.0; ++band, edge *= 2) {
            if (power.size() <= band) power.push_back(0);
            for (std::size_t k = 1; k < frame / 2; ++k) {
                const double hz = double(k) * sound.rate / frame;
                if (hz >= edge && hz < 2 * edge) power[band] += std::norm(x[k]);
            }
        }
    }
    for (double& p : power) p = 10 * std::log10(p + 1e-30);
    return power;
}

// The band from 12 kHz up (the last one a 48 kHz sound has) under the
// loudest band, in dB; and the same for everything from 6 kHz up.
double topBandUnderLoudest(const std::vector<double>& bands, std::size_t fromBand) {
    double top = -1e9;
    for (std::size_t b = fromBand; b < bands.size(); ++b) top = std::max(top, bands[b]);
    return *std::max_element(bands.begin(), bands.end()) - top;
}
constexpr std::size_t band6k = 5, band12k = 6;

TEST(SoundFiles, StrikesRingUpTo16KilohertzWhileTheScrubbingStaysBelowAHiss) {
    for (const char* file : soundFiles[BrushStrikeSound]) {
        if (!file) continue;
        const std::vector<double> bands = octaveBandsDb(readSound(file));
        ASSERT_EQ(bands.size(), band12k + 1) << file << " made at full band";
        std::printf("%s: 12-24 kHz %.1f dB under its loudest octave\n", file, topBandUnderLoudest(bands, band12k));
        EXPECT_LT(topBandUnderLoudest(bands, band12k), 30) << file;
    }
    for (const char* file : soundFiles[DrillStrikeSound])
        if (file) {
            EXPECT_LT(topBandUnderLoudest(octaveBandsDb(readSound(file)), band12k), 40) << file;
        }
    // Bristles ring and foam hushes, both under 5 kHz: what lies above 6 kHz
    // is far under the scrubbing itself.
    const double scrubHigh = topBandUnderLoudest(octaveBandsDb(readSound(soundFiles[BrushScrubSound][0])), band6k);
    std::printf("scrubbing: above 6 kHz %.1f dB under its loudest octave\n", scrubHigh);
    EXPECT_GT(scrubHigh, 20) << "a hiss: white noise has as much there as below";
}

// The loudness of back-to-back 10 ms windows and how alike it is with itself
// a given number of windows later: 1 for a stretch that comes round exactly.
std::vector<double> envelope(const std::vector<std::int16_t>& samples, int rate) {
    std::vector<double> levels;
    const auto window = static_cast<std::size_t>(rate / 100);
    for (std::size_t at = 0; at + window <= samples.size(); at += window) {
        double sum = 0;
        for (std::size_t i = at; i < at + window; ++i) sum += double(samples[i]) * samples[i];
        levels.push_back(std::sqrt(sum / double(window)));
    }
    return levels;
}

double highestLikeness(const std::vector<double>& levels, std::size_t fromLag, std::size_t toLag) {
    double highest = -1;
    for (std::size_t lag = fromLag; lag <= toLag && lag < levels.size() / 2; ++lag) {
        const std::size_t n = levels.size() - lag;
        double ma = 0, mb = 0;
        for (std::size_t i = 0; i < n; ++i) ma += levels[i], mb += levels[i + lag];
        ma /= double(n), mb /= double(n);
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double a = levels[i] - ma, b = levels[i + lag] - mb;
            ab += a * b, aa += a * a, bb += b * b;
        }
        highest = std::max(highest, ab / std::sqrt(aa * bb));
    }
    return highest;
}

TEST(SoundFiles, TheBedsTakesJoinSmoothlyInAnyOrderAndNeverComeRoundInStep) {
    std::vector<WavSound> takes;
    for (const char* file : soundFiles[BubblesSound])
        if (file) takes.push_back(readSound(file));
    ASSERT_GE(takes.size(), 3u);
    // Any take's end leads into any take's start as smoothly as a take's own
    // neighbouring samples do (all but their largest thousandth of steps).
    for (const WavSound& from : takes)
        for (const WavSound& to : takes) {
            std::vector<int> steps;
            for (std::size_t i = 1; i < to.samples.size(); ++i)
                steps.push_back(std::abs(int(to.samples[i]) - int(to.samples[i - 1])));
            std::sort(steps.begin(), steps.end());
            EXPECT_LE(std::abs(int(to.samples.front()) - int(from.samples.back())), steps[steps.size() * 999 / 1000]);
        }
    // Sixty seconds of the joined loop as the player plays it (it comes round
    // after forty): no lag from half a second to thirty finds it alike with
    // itself, where one take looped is alike at its own length.
    const int rate = takes[0].rate;
    const std::vector<std::int16_t> loop = joinTakes(takes, 40, 777u + BubblesSound);
    std::vector<std::int16_t> heard = loop;
    heard.insert(heard.end(), loop.begin(), loop.begin() + 20 * rate);
    const double joined = highestLikeness(envelope(heard, rate), 50, 3000);
    std::vector<std::int16_t> oneTake;
    while (oneTake.size() < heard.size()) oneTake.insert(oneTake.end(), takes[0].samples.begin(), takes[0].samples.end());
    const double looped = highestLikeness(envelope(oneTake, rate), 50, 3000);
    std::printf("the bed's envelope alike with itself 0.5-30 s later: at most %.2f joined, %.2f one take looped\n",
                joined, looped);
    EXPECT_LT(joined, 0.5);
    EXPECT_GT(looped, 0.8) << "the measure hears a loop";
}

TEST(SoundFiles, TakesAreJoinedNeverTwiceRunningInTheSameOrderEachTime) {
    std::vector<WavSound> takes(3);
    for (std::int16_t t = 0; t < 3; ++t) takes[std::size_t(t)] = {1000, std::vector<std::int16_t>(100, t)};
    takes.push_back({2000, std::vector<std::int16_t>(100, 9)});  // another rate: left out
    const std::vector<std::int16_t> loop = joinTakes(takes, 3, 5);
    ASSERT_GE(loop.size(), 3000u);
    ASSERT_EQ(loop.size() % 100, 0u);
    int counts[3] = {};
    for (std::size_t at = 0; at < loop.size(); at += 100) {
        ASSERT_LT(loop[at], 3);
        ++counts[loop[at]];
        if (at > 0) {
            EXPECT_NE(loop[at], loop[at - 100]);
        }
    }
    for (int c : counts) EXPECT_GE(c, 5);
    EXPECT_EQ(joinTakes(takes, 3, 5), loop);
    EXPECT_NE(joinTakes(takes, 3, 6), loop);
    EXPECT_TRUE(joinTakes({}, 3, 5).empty());
}

#ifdef MAKE_SOUNDS
TEST(SoundFiles, TheGeneratorWritesTheCommittedFilesByteForByte) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(testing::TempDir()) / ("velmora-sounds-" + std::to_string(getpid()));
    fs::remove_all(folder);
    ASSERT_EQ(std::system((std::string("\"") + MAKE_SOUNDS + "\" \"" + folder.string() + "\"").c_str()), 0);
    const auto bytes = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const auto written =
        static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    EXPECT_EQ(written, everyFile().size()) << "one file for every sound the game plays, each variant";
    for (const auto& [name, file] : everyFile()) {
        SCOPED_TRACE(file);
        const auto committed = bytes(file);
        ASSERT_FALSE(committed.empty());
        EXPECT_TRUE(bytes(folder / fs::path(file).filename()) == committed);
    }
    fs::remove_all(folder);
}
#endif

// A well-formed file of the game's kind with the given changes made to it.
std::vector<unsigned char> wavBytes(unsigned channels = 1, unsigned bits = 16, unsigned rate = 22050,
                                    unsigned dataSamples = 4) {
    std::vector<unsigned char> b;
    // Byte by byte: at -O3 GCC 12 takes a four-byte range insert here for an overflow.
    const auto text = [&](const char* s) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(s[i]));
    };
    const auto u16 = [&](unsigned v) { b.push_back(v & 255), b.push_back((v >> 8) & 255); };
    const auto u32 = [&](unsigned v) { u16(v & 0xffff), u16(v >> 16); };
    text("RIFF");
    u32(36 + dataSamples * 2);
    text("WAVE");
    text("fmt ");
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(bits);
    text("data");
    u32(dataSamples * 2);
    for (unsigned i = 0; i < dataSamples; ++i) u16(i * 1000);
    return b;
}

TEST(SoundFiles, DamagedOrForeignFilesAreRefusedWithAReason) {
    WavSound sound;
    ASSERT_EQ(parseWav(wavBytes().data(), wavBytes().size(), sound), "");
    EXPECT_EQ(sound.samples.size(), 4u);
    EXPECT_EQ(sound.samples[3], 3000);

    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"stereo", wavBytes(2)},
        {"8-bit", wavBytes(1, 8)},
        {"rate 0", wavBytes(1, 16, 0)},
        {"no data", wavBytes(1, 16, 22050, 0)},
    };
    auto truncated = wavBytes();
    truncated.resize(30);
    cases.push_back({"cut inside the format", truncated});
    auto lying = wavBytes();
    lying[40] = 0xff, lying[41] = 0xff, lying[42] = 0xff, lying[43] = 0x7f;  // data claims 2 GB
    cases.push_back({"data longer than the file", lying});
    auto swapped = wavBytes();
    std::memcpy(&swapped[12], "data", 4);  // data before any format
    cases.push_back({"data first", swapped});
    auto notWave = wavBytes();
    std::memcpy(&notWave[8], "AVI ", 4);
    cases.push_back({"not WAVE", notWave});
    auto huge = wavBytes();
    huge.resize(mostWavBytes + 1);
    cases.push_back({"too large", huge});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NE(parseWav(c.bytes.data(), c.bytes.size(), sound), "");
        EXPECT_TRUE(sound.samples.empty());
    }
    EXPECT_EQ(readWavFile("sounds/no-such-sound.wav", sound), "not found");
}

}  // namespace
