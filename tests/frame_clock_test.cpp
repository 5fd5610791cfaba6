// The frame clock: one reading per idle call, the delta in seconds, and the
// display wrapped so that whatever a state draws cannot disturb the next frame.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "app/shell.h"
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

}  // namespace
