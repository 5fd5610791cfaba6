// Watching a recording, without a window: frames come when their readings
// say, at the speed asked; a watched frame and a watched reshape leave the
// game exactly where the shell's own idle and reshape callbacks leave it.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "session/frame_loop.h"
#include "core/frame_clock.h"
#include "core/state.h"
#include "core/view.h"
#include "recording/script_player.h"
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

struct Counter : State {
    int updates = 0;
    void update() override { ++updates; }
};

// What the shell's callbacks leave in the frame clock and the view.
struct Snapshot {
    int elapsed, last;
    float delta;
    ViewSettings view;
    std::string said;
};

bool same(const Snapshot& a, const Snapshot& b) {
    return a.elapsed == b.elapsed && a.last == b.last && std::memcmp(&a.delta, &b.delta, sizeof(float)) == 0 &&
           a.view.width == b.view.width && a.view.height == b.view.height && a.view.aspect == b.view.aspect &&
           a.said == b.said;
}

TEST(ScriptPace, WatchedFramesAndReshapesLeaveTheGameAsTheShellsCallbacksDo) {
    // Readings in order, as a recording holds them; sizes the game takes and
    // sizes it refuses.
    const int readings[] = {0, 16, 16, 33, 999, 1000, 123456789, 2147483647};
    const int sizes[][2] = {{800, 600}, {1000, 500}, {801, 700}, {1, 600}, {0, 600}, {640, -3}, {4096, 4096}};
    Snapshot byShell[2][8], byWatch[2][8];
    for (int watched = 0; watched < 2; ++watched) {
        resetGameGlobals();
        viewSettings.perspective = 0;
        currentView = &viewSettings;
        Counter counter;
        switchState(counter);
        Snapshot(*out)[8] = watched ? byWatch : byShell;
        for (int i = 0; i < 8; ++i) {
            fakeElapsedMs = readings[i];
            if (watched)
                playScriptFrame(readings[i]);
            else
                onIdle();
            out[0][i] = {elapsedMs, lastFrameMs, frameDelta, viewSettings, ""};
        }
        EXPECT_EQ(counter.updates, 8);
        for (int i = 0; i < 7; ++i) {
            const std::string said = captureDiagnostics([&] {
                if (watched)
                    applyScriptReshape(sizes[i][0], sizes[i][1]);
                else
                    onReshape(sizes[i][0], sizes[i][1]);
            });
            out[1][i] = {elapsedMs, lastFrameMs, frameDelta, viewSettings, said};
        }
        currentState = nullptr;
    }
    for (int kind = 0; kind < 2; ++kind)
        for (int i = 0; i < (kind ? 7 : 8); ++i)
            EXPECT_TRUE(same(byShell[kind][i], byWatch[kind][i]))
                << (kind ? "reshape " : "frame ") << i << ": " << byShell[kind][i].view.width << " x "
                << byShell[kind][i].view.height << " \"" << byShell[kind][i].said << "\" against "
                << byWatch[kind][i].view.width << " x " << byWatch[kind][i].view.height << " \""
                << byWatch[kind][i].said << "\"";
}

}  // namespace
