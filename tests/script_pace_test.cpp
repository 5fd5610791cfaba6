// Watching a recording, without a window: frames come when their readings
// say, at the speed asked.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "core/frame_clock.h"
#include "core/state.h"
#include "core/view.h"
#include "recording/script_player.h"
#include "session/frame_loop.h"
#include "session/watch.h"
#include "tests/recording_gl.h"
#include "tests/test_support.h"

namespace {

ReplayScript scriptOf(const char* text) {
    std::istringstream in(text);
    return parseReplayScript(in);
}

TEST(ScriptPace, FramesComeWhenTheirReadingsSayAtTheSpeedAsked) {
    // Readings 500, 516 and 1500 ms; the first frame is taken at 10 s.
    const ReplayScript script = scriptOf("reshape 800 600\nframe 500\nframe 516\nshot x.png\nframe 1500\n");
    struct Case {
        double speed;
        double secondFrameAt;  // when the 516 frame is due
        double thirdFrameAt;   // when the 1500 frame is due
    };
    const Case cases[] = {{1, 10.016, 11.0}, {4, 10.004, 10.25}, {0.5, 10.032, 12.0}, {0, 10.0, 10.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        ScriptPlayer player{&script};
        ScriptPace pace;
        pace.speed = c.speed;
        ScriptStep step;
        double wait = -1;
        ASSERT_TRUE(nextDueStep(player, pace, 10.0, step, wait));
        EXPECT_EQ(step.kind, ScriptStepKind::Reshape);
        ASSERT_TRUE(nextDueStep(player, pace, 10.0, step, wait));
        EXPECT_EQ(step.clockMs, 500);
        for (const auto& [frameMs, dueAt] : {std::pair{516, c.secondFrameAt}, std::pair{1500, c.thirdFrameAt}}) {
            if (dueAt > 10.0) {
                // Asked a little early: held back, and told how long to wait.
                ASSERT_FALSE(nextDueStep(player, pace, dueAt - 0.002, step, wait));
                EXPECT_NEAR(wait, 0.002, 1e-9);
            }
            ASSERT_TRUE(nextDueStep(player, pace, dueAt, step, wait));
            EXPECT_EQ(step.kind, ScriptStepKind::Frame);
            EXPECT_EQ(step.clockMs, frameMs);
            if (frameMs == 516) {  // the shot comes next, at once, before the last frame
                ASSERT_TRUE(nextDueStep(player, pace, dueAt, step, wait));
                EXPECT_EQ(step.kind, ScriptStepKind::Shot);
            }
        }
        ASSERT_TRUE(nextDueStep(player, pace, 100.0, step, wait));
        EXPECT_EQ(step.kind, ScriptStepKind::End);
    }
}

}  // namespace
