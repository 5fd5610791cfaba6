// The brush, the drill and feeding over the first thirty-five seconds, against
// moments worked out from their timings. Game time is the clock reading in
// seconds as a float, and a timer ends in the first frame strictly past it.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/replay_test_support.h"

namespace {

constexpr int brushWaiting = 0, brushEntering = 1, brushing = 2, brushLeaving = 3;
constexpr int drillWaiting = 0, drillEntering = 1, drillLeaving = 2;

float seconds(int ms) { return static_cast<float>(ms / 1000.0); }

// 2200 frames 16 ms apart, to 35.2 s. The small window only saves drawing time;
// the trace does not depend on it.
const std::vector<Json>& sixteenMsFrames() {
    static const std::vector<Json> frames = [] {
        const ReplayRun run = runReplay("reshape 160 120\nframes 2200 16\n");
        EXPECT_EQ(run.status, 0) << run.errors;
        return run.frames();
    }();
    return frames;
}

// Frame numbers count from 1.
const Json& frame(int number) { return sixteenMsFrames()[static_cast<std::size_t>(number - 1)]; }

int totalBacteria(const Json& f) {
    int n = 0;
    for (const Json& tooth : f["teeth"].items) n += tooth["n"].asInt();
    return n;
}

// Waiting ends at the first reading past 15 s: 15.008 s, frame 938. Entering
// then ends past 16.008 s: 16.016 s, frame 1001. Scrubbing ends past 16.016 + 4,
// which in single precision is the very float of the reading 20.016 s, so the
// strike waits one more frame: 20.032 s, frame 1252.
TEST(ReplayTimeline, TheBrushStrikesFirstAt20032MsScrubbingFourFifths) {
    ASSERT_GE(sixteenMsFrames().size(), 2200u);
    for (int n = 1; n < 938; ++n) ASSERT_EQ(frame(n)["brush"]["phase"].asInt(), brushWaiting) << n;
    EXPECT_EQ(frame(938)["brush"]["phase"].asInt(), brushEntering);
    EXPECT_EQ(frame(938)["brush"]["phaseStart"].asFloat(), seconds(15008));
    EXPECT_EQ(frame(938)["brush"]["phaseEnd"].asFloat(), seconds(15008) + 1.0f);
    EXPECT_EQ(frame(938)["brush"]["x"].asFloat(), -900.0f) << "the entering slide starts the frame after";
    EXPECT_NEAR(frame(939)["brush"]["x"].number, (16.008 - 15.024) * -900, 1e-2);
    EXPECT_EQ(frame(1000)["brush"]["phase"].asInt(), brushEntering);
    EXPECT_EQ(frame(1001)["brush"]["phase"].asInt(), brushing);
    EXPECT_NEAR(frame(1001)["brush"]["x"].number, (16.008 - 16.016) * -900, 1e-2);
    EXPECT_NEAR(frame(1100)["brush"]["x"].number, 30 * std::sin(30 * (17.6 - 16.016)), 1e-2);
    EXPECT_EQ(frame(1251)["brush"]["phase"].asInt(), brushing);

    const Json& strike = frame(1252);
    EXPECT_EQ(strike["elapsedMs"].asInt(), 20032);
    EXPECT_EQ(strike["brush"]["phase"].asInt(), brushLeaving);
    EXPECT_EQ(strike["brush"]["phaseStart"].asFloat(), seconds(20032));
    EXPECT_FALSE(strike["brush"]["struck"].boolean) << "the game clears the flag in the frame it strikes";
    // The leaving slide goes left at 910 units a second.
    EXPECT_NEAR(frame(1253)["brush"]["x"].number, strike["brush"]["x"].number - 910 * 0.016, 1e-2);

    // Of two bacteria, 0.8 x 2 = 1.6: one goes, for 1.25 health; then one bacterium drains for 16 ms.
    for (std::size_t i = 0; i < 11; ++i) {
        SCOPED_TRACE("tooth " + std::to_string(i));
        EXPECT_EQ(frame(1251)["teeth"][i]["n"].asInt(), 2);
        EXPECT_EQ(strike["teeth"][i]["n"].asInt(), 1);
        EXPECT_NEAR(strike["teeth"][i]["health"].number,
                    frame(1251)["teeth"][i]["health"].number + 1.25 - 0.016 * 0.075, 1e-4);
    }
}

// Waiting ends at 25.008 s (frame 1563); entering ends past 25.008 + 10, the
// float of the reading 35.008 s, so the drill arrives at 35.024 s, frame 2189.
TEST(ReplayTimeline, TheDrillStrikesFirstAt35024MsAndRepairsTheToothItDraws) {
    ASSERT_GE(sixteenMsFrames().size(), 2200u);
    EXPECT_EQ(frame(1562)["drill"]["phase"].asInt(), drillWaiting);
    EXPECT_EQ(frame(1563)["drill"]["phase"].asInt(), drillEntering);
    EXPECT_EQ(frame(1563)["drill"]["phaseEnd"].asFloat(), seconds(25008) + 10.0f);
    EXPECT_NEAR(frame(1564)["drill"]["x"].number, (35.008 - 25.024) * 90, 1e-2);
    EXPECT_EQ(frame(2188)["drill"]["phase"].asInt(), drillEntering);
    EXPECT_EQ(frame(2188)["drill"]["x"].asFloat(), 0.0f);

    const Json& strike = frame(2189);
    EXPECT_EQ(strike["elapsedMs"].asInt(), 35024);
    EXPECT_EQ(strike["drill"]["phase"].asInt(), drillLeaving);
    EXPECT_NEAR(strike["drill"]["x"].number, (35.008 - 35.024) * 90, 1e-2);

    // The brush waits at least 15 s after leaving at about 21 s, so the drill's
    // pick is the first draw of this frame.
    RandomSequence random{static_cast<std::uint32_t>(frame(2188)["rng"].number)};
    const std::size_t picked = static_cast<std::size_t>(random.next()) % 11;
    for (std::size_t i = 0; i < 11; ++i) {
        SCOPED_TRACE("tooth " + std::to_string(i));
        EXPECT_EQ(frame(2188)["teeth"][i]["n"].asInt(), 1);
        if (i == picked) {
            EXPECT_EQ(strike["teeth"][i]["n"].asInt(), 0);
            EXPECT_EQ(strike["teeth"][i]["health"].asFloat(), 100.0f);
        } else {
            EXPECT_EQ(strike["teeth"][i]["n"].asInt(), 1);
            EXPECT_LT(strike["teeth"][i]["health"].asFloat(), 100.0f);
        }
    }
}

// Each standing bacterium draws twice a frame; a tool draws once when it picks
// its next waiting time, and the drill once more for the tooth it strikes.
TEST(ReplayTimeline, EveryDrawOfAFrameIsAccountedFor) {
    const std::vector<Json>& frames = sixteenMsFrames();
    ASSERT_GE(frames.size(), 2200u);
    int toolDraws = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const Json& before = frames[i - 1];
        const Json& now = frames[i];
        int extra = 0;
        if (before["brush"]["phase"].asInt() == brushLeaving && now["brush"]["phase"].asInt() == brushWaiting) ++extra;
        if (before["drill"]["phase"].asInt() == drillLeaving && now["drill"]["phase"].asInt() == drillWaiting) ++extra;
        if (before["drill"]["phase"].asInt() == drillEntering && now["drill"]["phase"].asInt() == drillLeaving) ++extra;
        toolDraws += extra;
        RandomSequence random{static_cast<std::uint32_t>(before["rng"].number)};
        random.skip(extra + 2 * totalBacteria(now));
        ASSERT_EQ(now["rng"].number, random.state) << "frame " << i + 1;
    }
    EXPECT_EQ(toolDraws, 2) << "the brush's new wait and the drill's pick";
}

// At 500 ms steps the brush starts entering at 15.5 s and must pass 16.5 s.
TEST(ReplayTimeline, TheBrushStandsAt14Point4Units16MsPastItsEntry) {
    const ReplayRun run = runReplay("reshape 160 120\nframes 33 500\nframe 16516\nframe 16532\n");
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::vector<Json> frames = run.frames();
    ASSERT_EQ(frames.size(), 35u);
    struct Reading {
        std::size_t frame;
        int phase;
        double x;
    };
    const Reading readings[] = {
        {30, brushWaiting, -900},
        {31, brushEntering, -900},                              // 15.5 s: the phase starts, nothing moves yet
        {32, brushEntering, (16.5 - 16.0) * -900},              // 16 s: halfway
        {33, brushEntering, 0},                                 // 16.5 s is the end itself, not past it
        {34, brushing, (16.5 - 16.516) * -900},                 // 14.4, just past the centre
        {35, brushing, 30 * std::sin(30 * (16.532 - 16.516))},  // the scrub has begun
    };
    for (const Reading& r : readings) {
        SCOPED_TRACE("frame " + std::to_string(r.frame));
        const Json& brush = frames[r.frame - 1]["brush"];
        EXPECT_EQ(brush["phase"].asInt(), r.phase);
        EXPECT_NEAR(brush["x"].number, r.x, 2e-3);
    }
    EXPECT_NEAR(frames[33]["brush"]["x"].number, 14.4, 2e-3);
    EXPECT_EQ(frames[33]["brush"]["phaseStart"].asFloat(), seconds(16516));
    EXPECT_EQ(frames[33]["brush"]["phaseEnd"].asFloat(), seconds(16516) + 4.0f);
}

struct FeedingCase {
    int stepMs;
    int frames;
    int bacteria;  // on the fed tooth after that many frames
};

class FeedingTimes : public testing::TestWithParam<FeedingCase> {};

// Food 0 is picked up at its start (-75, 250), window pixel (325, 50), and
// dropped at window pixel (325, 215), canvas (-75, 85): on the third upper
// tooth only. Its timer starts at 0, so the first frame feeds.
TEST_P(FeedingTimes, FoodOnAToothBreedsOnceATimerPeriodHasPassed) {
    const FeedingCase c = GetParam();
    const ReplayRun run = runReplay("mouse 0 0 325 50\nmotion 325 215\nmouse 0 1 325 215\nframes " +
                                    std::to_string(c.frames) + " " + std::to_string(c.stepMs) + "\n");
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), static_cast<std::size_t>(c.frames));
    const Json last = parseJson(run.lines.back());
    EXPECT_EQ(last["heldFood"].asInt(), -1);
    EXPECT_EQ(last["food"][0]["x"].asFloat(), -75.0f);
    EXPECT_EQ(last["food"][0]["y"].asFloat(), 85.0f);
    for (std::size_t i = 0; i < 11; ++i)
        EXPECT_EQ(last["teeth"][i]["n"].asInt(), i == 2 ? c.bacteria : 2) << "tooth " << i;
}

INSTANTIATE_TEST_SUITE_P(
    ReplayTimeline, FeedingTimes,
    testing::Values(
        // 250 ms steps: fed at 0.25 s (next past 0.5), not at 0.5 s itself, fed at 0.75 s: every other frame.
        FeedingCase{250, 1, 3}, FeedingCase{250, 2, 3}, FeedingCase{250, 3, 4}, FeedingCase{250, 10, 7},
        FeedingCase{250, 11, 8},
        // 16 ms steps: fed at 0.016, 0.272, 0.528, 0.784 and 1.040 s, every sixteenth frame.
        FeedingCase{16, 16, 3}, FeedingCase{16, 17, 4}, FeedingCase{16, 64, 6}, FeedingCase{16, 65, 7}));

TEST(ReplayTimeline, HeldFoodFollowsThePointerAndFeedsWhileHeld) {
    const ReplayRun run = runReplay("mouse 0 0 475 50\nmotion 476 215\nframes 3 250\n");
    ASSERT_EQ(run.lines.size(), 3u);
    const Json last = parseJson(run.lines.back());
    EXPECT_EQ(last["heldFood"].asInt(), 2);
    EXPECT_EQ(last["food"][2]["x"].asFloat(), 76.0f);
    EXPECT_EQ(last["food"][2]["y"].asFloat(), 85.0f);
    EXPECT_EQ(last["teeth"][3]["n"].asInt(), 4) << "fed at 0.25 and 0.75 s";
}

}  // namespace
