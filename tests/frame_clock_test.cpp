// The frame clock: one reading per idle call, the delta in seconds, and the
// display wrapped so that whatever a state draws cannot disturb the next frame.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>

#include "session/frame_loop.h"
#include "core/state.h"
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
    fakeElapsedMs = 1234;
    onIdle();
    ASSERT_EQ(watcher.seenMs.size(), 1u);
    EXPECT_EQ(watcher.seenMs[0], 1234);
    EXPECT_EQ(watcher.seenDelta[0], float(1.234));
    EXPECT_EQ(lastFrameMs, 1234);
    EXPECT_EQ(glCalls.back().name, "glutPostRedisplay");
}

TEST_F(FrameClock, IdlesWithinOneMillisecondGiveZeroDelta) {
    ClockWatcher watcher;
    switchState(watcher);
    fakeElapsedMs = 40;
    onIdle();
    onIdle();
    fakeElapsedMs = 56;
    onIdle();
    EXPECT_EQ(watcher.seenDelta, (std::vector<float>{0.04f, 0.0f, 0.016f}));
}

TEST_F(FrameClock, ClockRunsAndFramesAreDrawnWithoutAState) {
    fakeElapsedMs = 100;
    onIdle();
    EXPECT_EQ(elapsedMs, 100);
    EXPECT_EQ(frameDelta, 0.1f);
    onDisplay();
    EXPECT_EQ(callNames(), (std::vector<std::string>{"glutGet", "glutPostRedisplay", "glClear", "glPushMatrix",
                                                     "glPopMatrix", "glutSwapBuffers"}));
    EXPECT_EQ(callsNamed("glClear")[0].args[0], GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

TEST_F(FrameClock, DisplayDiscardsWhatRenderLeavesOnTheMatrix) {
    ClockWatcher watcher;
    switchState(watcher);
    onDisplay();
    EXPECT_EQ(callNames(), (std::vector<std::string>{"glClear", "glPushMatrix", "glLoadIdentity", "glTranslatef",
                                                     "glPopMatrix", "glutSwapBuffers"}));
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
            fakeElapsedMs = s.reading;
            onIdle();
            EXPECT_EQ(elapsedMs, s.elapsed) << c.what << ", reading " << s.reading;
            EXPECT_EQ(lastFrameMs, s.elapsed) << c.what;
            EXPECT_EQ(frameDelta, s.delta) << c.what << ", reading " << s.reading;
        }
    }
}

// The desktop's play clock, read from a steady clock in ms that starts at
// 5000: hidden time is left out, a second hide or show changes nothing, and
// after 24.8 days of play the reading stays at the largest int.
TEST(PlayClock, CountsOnlyShownTimeAndStopsAtTheLargestReading) {
    PlayClock clock = startPlayClock(5000);
    const struct {
        char action;  // 'r' read, 'h' hide, 's' show
        long long at;
        int reading;
    } steps[] = {
        {'r', 5000, 0},
        {'r', 5016, 16},
        {'h', 6000, 1000},
        {'r', 16000, 1000},
        {'h', 17000, 1000},
        {'s', 26000, 1000},
        {'r', 26016, 1016},
        {'s', 27000, 2000},
        {'h', 28000, 3000},
        {'s', 28500, 3000},
        {'r', 28516, 3016},
        {'r', 25499 + largestReadingMs, int(largestReadingMs) - 1},
        {'r', 25501 + largestReadingMs, int(largestReadingMs)},
        {'r', 1LL << 40, int(largestReadingMs)},
    };
    for (const auto& s : steps) {
        if (s.action == 'h') hidePlayClock(clock, s.at);
        if (s.action == 's') showPlayClock(clock, s.at);
        EXPECT_EQ(playClockReading(clock, s.at), s.reading) << s.action << " at " << s.at;
    }
}

}  // namespace
