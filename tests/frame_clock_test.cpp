// The frame clock: one reading per idle call, the delta in seconds, and the
// display wrapped so that whatever a state draws cannot disturb the next frame.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>

#include "core/state.h"
#include "session/frame_loop.h"
#include "session/play_clock.h"
#include "tests/recording_gl.h"
#include "tests/test_support.h"

namespace {

struct ClockWatcher : State {
    std::vector<int> seenMs;
    std::vector<float> seenDelta;
    void update() override {
        seenMs.push_back(elapsedMs);
        seenDelta.push_back(frameDelta);
    }
    void render() override {
        // Leaves the matrix changed on purpose.
        glLoadIdentity();
        glTranslatef(5, 5, 0);
    }
};

class FrameClock : public ::testing::Test {
protected:
    void SetUp() override { resetGameGlobals(); }
};

TEST_F(FrameClock, FirstIdleCountsEverythingSinceStart) {
    ClockWatcher watcher;
    switchState(watcher);
    updateGameAt(1234);
    ASSERT_EQ(watcher.seenMs.size(), 1u);
    EXPECT_EQ(watcher.seenMs[0], 1234);
    EXPECT_EQ(watcher.seenDelta[0], float(1.234));
    EXPECT_EQ(lastFrameMs, 1234);
}

TEST_F(FrameClock, IdlesWithinOneMillisecondGiveZeroDelta) {
    ClockWatcher watcher;
    switchState(watcher);
    updateGameAt(40);
    updateGameAt(40);
    updateGameAt(56);
    EXPECT_EQ(watcher.seenDelta, (std::vector<float>{0.04f, 0.0f, 0.016f}));
}

TEST_F(FrameClock, ClockRunsAndFramesAreDrawnWithoutAState) {
    updateGameAt(100);
    EXPECT_EQ(elapsedMs, 100);
    EXPECT_EQ(frameDelta, 0.1f);
    onDisplay();
    EXPECT_EQ(callNames(), (std::vector<std::string>{"glClear", "glPushMatrix", "glPopMatrix"}));
    EXPECT_EQ(callsNamed("glClear")[0].args[0], GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

TEST_F(FrameClock, DisplayDiscardsWhatRenderLeavesOnTheMatrix) {
    ClockWatcher watcher;
    switchState(watcher);
    onDisplay();
    EXPECT_EQ(callNames(),
              (std::vector<std::string>{"glClear", "glPushMatrix", "glLoadIdentity", "glTranslatef", "glPopMatrix"}));
}

// Clock readings that step back: a wall clock set back mid-game (the reading
// of the recording), and GLUT's int milliseconds wrapping after 24.8
// days. Held, never backwards, never an overflowing difference.
TEST_F(FrameClock, ReadingsThatStepBackAreHeldAndTheStepIsNeverNegative) {
    struct Step {
        int reading;
        int elapsed;
        float delta;
    };
    const struct {
        const char* what;
        std::vector<Step> steps;
    } cases[] = {
        {"clock set back 3 s", {{3989, 3989, 3.989f}, {1010, 3989, 0}, {1026, 3989, 0}, {4005, 4005, 0.016f}}},
        {"int wrap",
         {{INT_MAX - 10, INT_MAX - 10, float((INT_MAX - 10) / 1000.0)},
          {INT_MIN + 5, INT_MAX - 10, 0},
          {INT_MAX, INT_MAX, 0.01f},
          {-1, INT_MAX, 0}}},
    };
    for (const auto& c : cases) {
        resetGameGlobals();
        for (const Step& s : c.steps) {
            updateGameAt(s.reading);
            EXPECT_EQ(elapsedMs, s.elapsed) << c.what << ", reading " << s.reading;
            EXPECT_EQ(lastFrameMs, s.elapsed) << c.what;
            EXPECT_EQ(frameDelta, s.delta) << c.what << ", reading " << s.reading;
        }
    }
}

// The play clock, read from a steady clock in ms that starts at 5000: the
// time it stands still is left out, and it goes on from the reading it was
// held at, not from where it stood still; a second hold or resume changes
// nothing; after 24.8 days of play it stays at the largest int and says so once.
TEST(PlayClock, CountsOnlyTimeInPlayAndStopsAtTheLargestReading) {
    PlayClock clock = startPlayClock(5000);
    const struct {
        char action;  // 'r' read, 'h' hold at heldMs, 'g' go on
        long long at;
        int heldMs;
        int reading;
    } steps[] = {
        {'r', 5000, 0, 0},
        {'r', 5016, 0, 16},
        {'h', 6000, 990, 990},  // held at the last update's reading, a little before
        {'r', 16000, 0, 990},
        {'g', 26000, 0, 990},
        {'r', 26016, 0, 1006},
        {'g', 27000, 0, 1990},
        {'h', 28000, 2990, 2990},
        {'h', 28200, 100, 100},  // a second hold moves the held reading
        {'g', 28500, 0, 100},
        {'r', 28516, 0, 116},
        {'r', 28400 + largestReadingMs - 1, 0, int(largestReadingMs) - 1},
        {'r', 28400 + largestReadingMs + 1, 0, int(largestReadingMs)},
        {'r', 1LL << 40, 0, int(largestReadingMs)},
    };
    std::string said;
    for (const auto& s : steps) {
        if (s.action == 'h') holdPlayClock(clock, s.heldMs);
        if (s.action == 'g') resumePlayClock(clock, s.at);
        said +=
            captureDiagnostics([&] { EXPECT_EQ(readPlayClock(clock, s.at), s.reading) << s.action << " at " << s.at; });
    }
    EXPECT_EQ(said, "The game clock cannot count past 24.8 days of play: the mouth stands still from now on\n");
}

}  // namespace
