// A recording's soundtrack made by velmora-replay --sound: the same recording
// gives the same file byte for byte, drawn or not; the brush is heard at the
// moment the trace has it strike; and once the game stands still
// at the end, the loops fall silent while the last events ring out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "tests/replay_test_support.h"
#include "tests/sound_listening.h"
#include "tests/sound_measures.h"
#include "tests/temp_files.h"

namespace {

// A new game in a small window left alone until the brush has come, struck
// and gone: 21.6 s.
const std::string brushVisit = "reshape 160 120\nframes 1350 16\n";

double nearestOnset(const std::vector<double>& onsets, double seconds) {
    double best = 1e9;
    for (const double onset : onsets) best = std::min(best, std::fabs(onset - seconds));
    return best;
}

TEST(SoundRender, ARecordingSoundsWhereItsTraceSaysAndTheSameEveryTime) {
    const TempFolder scratch;
    const std::string folder = scratch.file("");
    const ReplayRun plain = runReplay(brushVisit, "--no-draw", folder);
    const ReplayRun drawn = runReplay(brushVisit, "--sound drawn.wav", folder);
    const ReplayRun undrawn = runReplay(brushVisit, "--no-draw --sound undrawn.wav", folder);
    ASSERT_EQ(drawn.status, 0) << drawn.errors;
    ASSERT_EQ(undrawn.status, 0) << undrawn.errors;
    EXPECT_EQ(undrawn.lines, plain.lines) << "listening changed the game";
    const Bytes drawnFile = readFile(folder + "/drawn.wav"), undrawnFile = readFile(folder + "/undrawn.wav");
    ASSERT_GT(undrawnFile.size(), 58u);
    EXPECT_TRUE(drawnFile == undrawnFile) << "two renders of one recording differ";

    const Recording heard = readRecording(folder + "/undrawn.wav");
    ASSERT_TRUE(heard.rate == 48000 || heard.rate == 44100) << heard.rate;
    ASSERT_EQ(heard.channels.size(), 2u);
    // From the clock's 0 to the last frame's reading, and a second to ring out.
    EXPECT_NEAR(static_cast<double>(heard.mono.size()) / heard.rate, 21.6 + 1.0, 0.001);

    std::ofstream(folder + "/trace.jsonl") << [&] {
        std::string text;
        for (const std::string& line : undrawn.lines) text += line + "\n";
        return text;
    }();
    const HeardEvents events = eventsInTrace(folder + "/trace.jsonl");
    ASSERT_GT(events.brushStrike, 0);
    // Each sound starts in the file at its frame's own reading: the strike
    // rings out over the scrubbing's last moments.
    EXPECT_LT(nearestOnset(findOnsets(heard), events.brushStrike), 0.006);
    const auto at = [&](double seconds) { return static_cast<std::size_t>(seconds * heard.rate); };
    EXPECT_GT(levelDb(heard.mono, at(events.brushStrike), at(events.brushStrike + 0.02)),
              levelDb(heard.mono, at(events.brushStrike - 0.02), at(events.brushStrike)) + 15);
    // Bubbling until the end, then nothing once the game stands still.
    EXPECT_GT(levelDb(heard.mono, at(21.3), at(21.6)), -50);
    EXPECT_LT(levelDb(heard.mono, at(21.7), at(22.6)), -90);
}

TEST(SoundRender, AnExistingFileIsReplacedOnlyWhenAskedTo) {
    const TempFolder scratch;
    const std::string folder = scratch.file("");
    writeFile(folder + "/kept.wav", Bytes{'k', 'e', 'p', 't'});
    const ReplayRun refused = runReplay("frames 10 16\n", "--no-draw --sound kept.wav", folder);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.errors.find("kept.wav: is an existing file"), std::string::npos) << refused.errors;
    EXPECT_TRUE(refused.lines.empty()) << "nothing played";
    EXPECT_EQ(readFile(folder + "/kept.wav").size(), 4u);
    const ReplayRun replaced = runReplay("frames 10 16\n", "--no-draw --overwrite --sound kept.wav", folder);
    EXPECT_EQ(replaced.status, 0) << replaced.errors;
    const Recording heard = readRecording(folder + "/kept.wav");
    EXPECT_EQ(heard.mono.size(), static_cast<std::size_t>(heard.rate * 160 / 1000 + heard.rate));
}

}  // namespace
