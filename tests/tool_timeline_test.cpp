// Brush and drill timelines: strict phase ends, the x of each phase, strikes
// and the next waiting time.
#include <gtest/gtest.h>

#include <cmath>

#include "game/tool.h"
#include "tests/entity_fixture.h"

namespace {

class ToolTimeline : public EntityTest {
protected:
    Tool brush, drill;
    void SetUp() override {
        EntityTest::SetUp();
        loadLines += captureDiagnostics([&] {
            buildBrush(brush);
            buildDrill(drill);
        });
    }
    void TearDown() override {
        destroyTool(brush);
        destroyTool(drill);
        EntityTest::TearDown();
    }
    // Runs frames every stepMs until the tool strikes; returns the strike time.
    int runUntilStrike(Tool& tool, void (*step)(Tool&), int fromMs, int stepMs) {
        for (int ms = fromMs; ms < 200000; ms += stepMs) {
            at(ms, stepMs / 1000.0f);
            step(tool);
            if (tool.struck) return ms;
        }
        return -1;
    }
};

TEST_F(ToolTimeline, ToolsStartOffScreenWaitingAndUnstruck) {
    EXPECT_EQ(brush.sprite.position.x, -900);
    EXPECT_EQ(brush.sprite.scale.x, 875);
    EXPECT_EQ(brush.sprite.scale.y, 900);
    EXPECT_EQ(brush.phaseEnd, 15);
    EXPECT_EQ(drill.sprite.position.x, 900);
    EXPECT_EQ(drill.sprite.scale.x, 800);
    EXPECT_EQ(drill.phaseEnd, 25);
    EXPECT_FALSE(brush.struck);
    EXPECT_FALSE(drill.struck);
    EXPECT_EQ(brush.phase, BrushWaiting);
    EXPECT_EQ(drill.phase, DrillWaiting);
}

TEST_F(ToolTimeline, PhaseEndingExactlyNowDoesNotChange) {
    at(15000, 0.016f);
    updateBrush(brush);
    EXPECT_EQ(brush.phase, BrushWaiting);
    at(15001, 0.001f);
    updateBrush(brush);
    EXPECT_EQ(brush.phase, BrushEntering);
    EXPECT_EQ(brush.phaseStart, 15.001f);
    EXPECT_EQ(brush.phaseEnd, 15.001f + 1);
}

TEST_F(ToolTimeline, BrushEntersScrubsStrikesAndLeaves) {
    at(15016, 0.016f);
    updateBrush(brush);
    ASSERT_EQ(brush.phase, BrushEntering);
    at(15516, 0.5f);
    updateBrush(brush);
    EXPECT_NEAR(brush.sprite.position.x, -450, 0.01);
    // 16 ms past the end of entering the brush is 14.4 units past the centre.
    at(16032, 0.016f);
    updateBrush(brush);
    EXPECT_NEAR(brush.sprite.position.x, 14.4, 0.001);
    EXPECT_EQ(brush.phase, Brushing);
    at(16082, 0.05f);
    updateBrush(brush);
    EXPECT_NEAR(brush.sprite.position.x, 30 * std::sin(30 * 0.05), 0.001);
    EXPECT_FALSE(brush.struck);
    // Scrubbing ends at 20.032 s; frames come every 16 ms from 16.098 s.
    const int strike = runUntilStrike(brush, updateBrush, 16098, 16);
    EXPECT_EQ(strike, 20034);
    EXPECT_EQ(brush.phase, BrushLeaving);
    const float x = brush.sprite.position.x;
    at(20064, 0.016f);
    updateBrush(brush);
    EXPECT_FLOAT_EQ(brush.sprite.position.x, x - 910 * 0.016f);
}

TEST_F(ToolTimeline, BrushWaitsFifteenToTwentyFiveSecondsAfterLeaving) {
    const int strike = runUntilStrike(brush, updateBrush, 16, 16);
    brush.struck = false;
    ReferenceRandom ref;
    ref.state = randomState;
    const float u = ref.unit();
    int ms = strike;
    while (brush.phase == BrushLeaving) {
        ms += 16;
        at(ms, 0.016f);
        updateBrush(brush);
    }
    EXPECT_EQ(brush.phase, BrushWaiting);
    EXPECT_FLOAT_EQ(brush.phaseEnd, float(ms / 1000.0) + 15 + 10 * u);
    EXPECT_EQ(randomState, ref.state);
    EXPECT_GE(brush.phaseEnd - brush.phaseStart, 15);
    EXPECT_LE(brush.phaseEnd - brush.phaseStart, 25);
}

// The next wait is (t + fixed wait) + 10 u, in that order. Each case is a
// clock reading and a draw for which t + (fixed wait + 10 u) rounds one step
// away; the expected ends are worked out to the last bit.
TEST_F(ToolTimeline, NextWaitAddsTheFixedWaitToTheClockBeforeTheRandomPart) {
    struct Case {
        Tool* tool;
        void (*step)(Tool&);
        int leavingPhase;
        int ms;
        std::uint32_t randomState;  // its next draw is the one that matters
        float expectedEnd;
        float otherGrouping;
    };
    const Case cases[] = {
        // A quiet game's first brush wait: t = 21.04, draw 11726.
        {&brush, updateBrush, BrushLeaving, 21040, 1154938433u, 39.6186028f, 39.6185989f},
        {&brush, updateBrush, BrushLeaving, 123456, 2796877377u, 138.471863f, 138.471878f},
        {&drill, updateDrill, DrillLeaving, 70000, 3571971649u, 95.1254349f, 95.1254272f},
        {&drill, updateDrill, DrillLeaving, 36016, 1406596673u, 61.0788689f, 61.0788651f},
    };
    for (const Case& c : cases) {
        Tool& tool = *c.tool;
        tool.phase = c.leavingPhase;
        tool.phaseEnd = 0;
        randomState = c.randomState;
        at(c.ms, 0.016f);
        c.step(tool);
        EXPECT_EQ(tool.phase, 0) << c.ms;
        EXPECT_EQ(tool.phaseStart, float(c.ms / 1000.0)) << c.ms;
        EXPECT_EQ(tool.phaseEnd, c.expectedEnd) << c.ms << " (the other grouping gives " << c.otherGrouping << ")";
    }
}

// The scrub's sine comes back from the double function as a float, then is
// scaled: scaling the double first rounds differently here.
TEST_F(ToolTimeline, ScrubScalesTheSineAsAFloat) {
    brush.phase = Brushing;
    brush.phaseStart = 16.0540009f;
    brush.phaseEnd = 20.0540009f;
    at(16182, 0.016f);
    updateBrush(brush);
    EXPECT_EQ(brush.sprite.position.x, -19.2888279f) << "scaling in double gives -19.288826";
}

TEST_F(ToolTimeline, FirstStrikesComeAfterTwentyAndThirtyFiveSeconds) {
    // Waiting ends in the frame at 15.008 s, entering at 16.016 s, scrubbing
    // four seconds later: the first frame past 20.016 s strikes.
    EXPECT_EQ(runUntilStrike(brush, updateBrush, 16, 16), 20032);
    EXPECT_EQ(runUntilStrike(drill, updateDrill, 16, 16), 35024);
    EXPECT_EQ(drill.phase, DrillLeaving);
}

TEST_F(ToolTimeline, DrillCreepsInAtNinetyUnitsASecond) {
    at(25008, 0.016f);
    updateDrill(drill);
    ASSERT_EQ(drill.phase, DrillEntering);
    at(30008, 0.016f);
    updateDrill(drill);
    EXPECT_NEAR(drill.sprite.position.x, 450, 0.01);
    EXPECT_FALSE(drill.struck);
    at(35024, 0.016f);
    updateDrill(drill);
    EXPECT_TRUE(drill.struck);
    EXPECT_NEAR(drill.sprite.position.x, -1.44, 0.001);
    drill.struck = false;
    at(35040, 0.016f);
    updateDrill(drill);
    EXPECT_NEAR(drill.sprite.position.x, -1.44 + 900 * 0.016, 0.001);
    EXPECT_FALSE(drill.struck) << "one strike per pass";
}

TEST_F(ToolTimeline, UnknownPhaseLeavesTheToolAlone) {
    brush.phase = 7;
    at(99000, 0.016f);
    updateBrush(brush);
    EXPECT_EQ(brush.phase, 7);
    EXPECT_EQ(brush.sprite.position.x, -900);
}

}  // namespace
