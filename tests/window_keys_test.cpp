// The window's own keys and the full-screen canvas: which presses the window
// takes from the game, which are a held key's repeats, and where the canvas
// lies on screens of each shape.
#include "app/window_keys.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include "app/canvas_box.h"

namespace {

TEST(WindowKeys, F11AndEscInFullScreenAreTheWindowsEverythingElseTheGames) {
    using A = WindowKeyAction;
    for (bool full : {false, true}) {
        SCOPED_TRACE(full);
        EXPECT_EQ(actionForSpecialKey(GLUT_KEY_F11), A::ToggleFullScreen);
        EXPECT_EQ(actionForKey(escapeKey, full), full ? A::LeaveFullScreen : A::PassOn);
        for (int key : {GLUT_KEY_F1, GLUT_KEY_F10, GLUT_KEY_F12, GLUT_KEY_LEFT, GLUT_KEY_HOME})
            EXPECT_EQ(actionForSpecialKey(key), A::PassOn) << key;
        // 11 is F11's special code, but as a character it is Ctrl-K: not the window's.
        for (int key : {int('a'), int('m'), int('l'), int('q'), int(' '), int('\r'), 11, 26, 28, 127, 255})
            EXPECT_EQ(actionForKey(static_cast<unsigned char>(key), full), A::PassOn) << key;
    }
}

// The X server repeats a held key as more presses of it: only the first acts.
TEST(HeldKeys, AKeyActsOnItsFirstPressAndAgainOnlyAfterItsRelease) {
    HeldKeys held;
    EXPECT_TRUE(takePress(held, 'p'));
    EXPECT_FALSE(takePress(held, 'p'));
    EXPECT_TRUE(takePress(held, 'n')) << "another key is not a repeat";
    EXPECT_FALSE(takePress(held, 'P')) << "Shift pressed while p is held";
    takeRelease(held, 'P');
    EXPECT_TRUE(takePress(held, 'p')) << "released as P with Shift down";
    EXPECT_TRUE(takePress(held, 255));
    EXPECT_FALSE(takePress(held, 255));

    EXPECT_TRUE(takeSpecialPress(held, GLUT_KEY_F11));
    EXPECT_FALSE(takeSpecialPress(held, GLUT_KEY_F11));
    EXPECT_TRUE(takePress(held, 11)) << "Ctrl-K is not F11";
    takeSpecialRelease(held, GLUT_KEY_F11);
    EXPECT_TRUE(takeSpecialPress(held, GLUT_KEY_F11));
    for (int odd : {-1, 256, 100000}) {
        EXPECT_TRUE(takeSpecialPress(held, odd));
        EXPECT_TRUE(takeSpecialPress(held, odd)) << odd << " is past the table: never taken for a repeat";
        takeSpecialRelease(held, odd);
    }
}

TEST(HeldKeys, NothingIsHeldOnceEveryKeyIsReleased) {
    HeldKeys held;
    EXPECT_FALSE(anyHeld(held));
    takePress(held, 'M');
    takeSpecialPress(held, GLUT_KEY_F11);
    EXPECT_TRUE(anyHeld(held));
    takeRelease(held, 'm');
    EXPECT_TRUE(anyHeld(held));
    takeSpecialRelease(held, GLUT_KEY_F11);
    EXPECT_FALSE(anyHeld(held));
}

struct Fit {
    int windowWidth, windowHeight;
    CanvasBox box;
};

const Fit fits[] = {
    {800, 600, {0, 0, 800, 600}},
    {1024, 768, {0, 0, 1024, 768}},
    {1280, 1024, {0, 32, 1280, 960}},    // 5:4: bars above and below
    {1920, 1080, {240, 0, 1440, 1080}},  // 16:9: bars left and right
    {1366, 768, {171, 0, 1024, 768}},    // odd margin: the extra pixel on the right
    {1680, 1050, {140, 0, 1400, 1050}},
    {3, 2, {0, 0, 2, 1}},
    {1, 1, {}},
    {0, 600, {}},
    {800, -5, {}},
};

TEST(CanvasBox, FullScreenCanvasIsTheLargestCentredFourToThreeBox) {
    for (const Fit& f : fits) {
        const CanvasBox box = fitCanvas(f.windowWidth, f.windowHeight);
        SCOPED_TRACE(std::to_string(f.windowWidth) + " x " + std::to_string(f.windowHeight));
        EXPECT_EQ(box.left, f.box.left);
        EXPECT_EQ(box.top, f.box.top);
        EXPECT_EQ(box.width, f.box.width);
        EXPECT_EQ(box.height, f.box.height);
    }
}

}  // namespace
