// The window is held at 4:3 and the 800 x 600 canvas is mapped onto it.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "session/frame_loop.h"
#include "tests/recording_gl.h"
#include "tests/test_support.h"

namespace {

struct ReshapeCase {
    int width, height;
    int expectWidth, expectHeight;
    float centreX, centreY, scaleX, scaleY;
};

class ShellView : public ::testing::Test {
protected:
    void SetUp() override {
        resetGameGlobals();
        viewSettings.perspective = 0;
        currentView = &viewSettings;
    }
};

TEST_F(ShellView, ReshapeKeepsFourToThreeAndMapsTheCanvas) {
    const ReshapeCase cases[] = {
        {800, 600, 800, 600, 400, 300, 1.0f, 1.0f},
        {1000, 500, 1000, 750, 500, 375, 1.25f, 1.25f},
        {801, 600, 801, 600, 400, 300, float(801 / 800.0), 1.0f},
        {400, 900, 400, 300, 200, 150, 0.5f, 0.5f},
    };
    for (const ReshapeCase& c : cases) {
        resetRecordingGl();
        SCOPED_TRACE(c.width);
        // Used: the program asks its window for the view's size.
        EXPECT_TRUE(onReshape(c.width, c.height));
        EXPECT_EQ(viewSettings.width, c.expectWidth);
        EXPECT_EQ(viewSettings.height, c.expectHeight);
        EXPECT_DOUBLE_EQ(viewSettings.aspect, double(c.expectWidth) / c.expectHeight);
        auto viewport = callsNamed("glViewport");
        ASSERT_EQ(viewport.size(), 1u);
        EXPECT_EQ(viewport[0].args, (std::vector<double>{0, 0, double(c.expectWidth), double(c.expectHeight)}));
        auto ortho = callsNamed("gluOrtho2D");
        ASSERT_EQ(ortho.size(), 1u);
        EXPECT_EQ(ortho[0].args, (std::vector<double>{0, double(c.expectWidth), 0, double(c.expectHeight)}));
        auto moves = callsNamed("glTranslatef");
        ASSERT_EQ(moves.size(), 2u);
        EXPECT_EQ(moves[0].args, (std::vector<double>{c.centreX, c.centreY, 0}));
        EXPECT_EQ(moves[1].args, (std::vector<double>{0.375f, 0.375f, 0}));
        auto scale = callsNamed("glScalef");
        ASSERT_EQ(scale.size(), 1u);
        EXPECT_EQ(float(scale[0].args[0]), c.scaleX);
        EXPECT_EQ(float(scale[0].args[1]), c.scaleY);
        EXPECT_EQ(scale[0].args[2], 1.0);
    }
}

TEST_F(ShellView, ReshapeLeavesTheModelviewMatrixCurrent) {
    onReshape(800, 600);
    auto modes = callsNamed("glMatrixMode");
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_EQ(modes[0].args[0], GL_PROJECTION);
    EXPECT_EQ(modes[1].args[0], GL_MODELVIEW);
}

TEST_F(ShellView, PerspectiveModeUsesTheFieldOfViewAndNoPixelShift) {
    viewSettings.perspective = 1;
    onReshape(800, 600);
    auto perspective = callsNamed("gluPerspective");
    ASSERT_EQ(perspective.size(), 1u);
    EXPECT_EQ(perspective[0].args[0], 55.0);
    EXPECT_EQ(countCalls("gluOrtho2D"), 0);
    EXPECT_EQ(countCalls("glTranslatef"), 1);
}

TEST_F(ShellView, BadSizesAreReportedAndChangeNothing) {
    onReshape(1000, 500);
    const ViewSettings before = viewSettings;
    const struct {
        int width, height;
        const char* line;
    } cases[] = {
        {0, 600, "reshape() values bad w:0 h:600\n"},       {600, 0, "reshape() values bad w:600 h:0\n"},
        {-5, -7, "reshape() values bad w:-5 h:-7\n"},       {1, 600, "reshape() values bad w:1 h:600\n"},
        {-800, 600, "reshape() values bad w:-800 h:600\n"},
    };
    for (const auto& c : cases) {
        resetRecordingGl();
        std::string said = captureDiagnostics([&] { onReshape(c.width, c.height); });
        EXPECT_EQ(said, c.line);
        EXPECT_TRUE(glCalls.empty()) << c.line;
        EXPECT_EQ(viewSettings.width, before.width);
        EXPECT_EQ(viewSettings.height, before.height);
        EXPECT_EQ(viewSettings.aspect, before.aspect);
    }
}

TEST_F(ShellView, TwoPixelsWideIsTheSmallestUsableWindow) {
    std::string said = captureDiagnostics([] { onReshape(2, 2); });
    EXPECT_EQ(said, "");
    EXPECT_EQ(viewSettings.width, 2);
    EXPECT_EQ(viewSettings.height, 1);
}

TEST_F(ShellView, ReshapeBeforeTheViewExistsIsIgnored) {
    currentView = nullptr;
    onReshape(1000, 500);
    EXPECT_TRUE(glCalls.empty());
    EXPECT_EQ(viewSettings.width, 800);
}

TEST_F(ShellView, FixedStateLeavesDepthTestOff) {
    setFixedGlState();
    for (const GlCall& c : callsNamed("glEnable")) EXPECT_NE(c.args[0], GL_DEPTH_TEST);
    auto clear = callsNamed("glClearColor");
    ASSERT_EQ(clear.size(), 1u);
    EXPECT_EQ(clear[0].args, (std::vector<double>{0.5, 0.5, 0.5, 1.0}));
    EXPECT_EQ(glCalls.back().name, "glClear");
}

}  // namespace
