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
        EXPECT_EQ(sound.rate, 22050);
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
