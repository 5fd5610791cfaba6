// Full screen on screens of several shapes, under openbox: the whole mouth in
// the largest 4:3 box, centred, the bars' colour all round it and no black
// band anywhere; a press where a sweet is drawn picks it up and drags it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "tests/temp_files.h"
#include "tests/x_session.h"

namespace {

bool isBar(const unsigned char* p) { return p[0] == 42 && p[1] == 46 && p[2] == 53; }
bool isBlack(const unsigned char* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }

struct Box {
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive; right < left when nothing but bars
};

// The smallest rectangle holding every pixel that is not the bars' colour.
Box mouthBox(const Screenshot& shot) {
    Box box{shot.width, shot.height, -1, -1};
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (!isBar(shot.at(x, y))) {
                box.left = std::min(box.left, x), box.right = std::max(box.right, x);
                box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
            }
    return box;
}

// Rows (or columns) of the picture in which every pixel is pure black.
int blackLines(const Screenshot& shot, bool rows) {
    const int lines = rows ? shot.height : shot.width, length = rows ? shot.width : shot.height;
    int black = 0;
    for (int i = 0; i < lines; ++i) {
        int n = 0;
        while (n < length && isBlack(rows ? shot.at(n, i) : shot.at(i, n))) ++n;
        black += n == length;
    }
    return black;
}

int changedAround(const Screenshot& a, const Screenshot& b, int x, int y) {
    int changed = 0;
    for (int dy = -6; dy <= 6; ++dy)
        for (int dx = -6; dx <= 6; ++dx) {
            const unsigned char* p = a.at(x + dx, y + dy);
            const unsigned char* q = b.at(x + dx, y + dy);
            changed += std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 60;
        }
    return changed;
}

struct Screen {
    int width, height;
};

TEST(FullScreen, TheWholeMouthSitsCentredInTheLargestBoxAndItsSweetsCanBeDragged) {
    for (const Screen screen : {Screen{1280, 1024}, Screen{1920, 1080}, Screen{1024, 768}, Screen{768, 1024}}) {
        const std::string size = std::to_string(screen.width) + "x" + std::to_string(screen.height);
        SCOPED_TRACE(size);
        XSession session;
        TempFolder scratch;
        const std::string trace = scratch.file("game.jsonl");
        ASSERT_TRUE(session.start(size)) << "Xvfb would not start";
        ASSERT_TRUE(session.startWindowManager("openbox")) << "openbox would not start";
        ASSERT_TRUE(session.startGame(".", scratch.file("game.log"), {"--fullscreen", "--trace", trace}));
        ASSERT_TRUE(session.waitForSize(screen.width, screen.height)) << "not full screen";
        ASSERT_TRUE(session.waitForFrames());

        const Screenshot shot = session.screenshot();
        ASSERT_EQ(shot.width, screen.width);
        ASSERT_EQ(shot.height, screen.height);
        EXPECT_EQ(blackLines(shot, true), 0) << "rows all black";
        EXPECT_EQ(blackLines(shot, false), 0) << "columns all black";

        const int boxWidth = std::min(screen.width, screen.height * 4 / 3), boxHeight = boxWidth * 3 / 4;
        const Box box = mouthBox(shot);
        EXPECT_NEAR(box.right - box.left + 1, boxWidth, 1);
        EXPECT_NEAR(box.bottom - box.top + 1, boxHeight, 1);
        EXPECT_LE(std::abs(box.left - (screen.width - 1 - box.right)), 1) << box.left << " .. " << box.right;
        EXPECT_LE(std::abs(box.top - (screen.height - 1 - box.bottom)), 1) << box.top << " .. " << box.bottom;
        if (box.right < box.left) continue;

        // The middle sweet, pressed where it shows, held and dragged to the
        // mouth's right edge.
        const double unit = (box.right - box.left + 1) / 800.0;
        const int x = box.left + static_cast<int>(400 * unit), y = box.top + static_cast<int>(50 * unit);
        const int toX = box.left + static_cast<int>(760 * unit);
        const std::string w = session.windowId();
        session.run("xdotool mousemove --window " + w + " " + std::to_string(x) + " " + std::to_string(y) +
                    " mousedown 1");
        ASSERT_TRUE(session.waitForFrames());
        EXPECT_EQ(jsonNumber(lastLine(trace), "heldFood", -2), 1) << "pressed at " << x << ", " << y;
        session.run("xdotool mousemove --window " + w + " " + std::to_string((x + toX) / 2) + " " + std::to_string(y) +
                    " mousemove --window " + w + " " + std::to_string(toX) + " " + std::to_string(y));
        ASSERT_TRUE(session.waitForFrames());
        const Screenshot moved = session.screenshot();
        session.run("xdotool mouseup 1");
        ASSERT_EQ(moved.width, screen.width);
        EXPECT_GT(changedAround(shot, moved, x, y), 13 * 13 / 3) << "the sweet stayed at " << x << ", " << y;
        EXPECT_GT(changedAround(shot, moved, toX, y), 13 * 13 / 3) << "the sweet is not at " << toX << ", " << y;
        EXPECT_TRUE(session.gameRunning());
    }
}

}  // namespace
