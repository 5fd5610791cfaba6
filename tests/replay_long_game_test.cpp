// A four-minute game in which the player keeps the food on the teeth, checked
// frame by frame against what must always hold: bounded bacteria and health,
// bacteria inside their tooth's box, teeth that fall for three seconds and
// never come back.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "tests/replay_test_support.h"

namespace {

constexpr int stepMs = 50;
constexpr int gameSeconds = 240;

// In a 160 x 120 window one pixel is five canvas units: pixel (px, py) is canvas
// (5 px - 400, 300 - 5 py). Each food goes where two teeth's boxes overlap; the
// first two share their teeth, which so fill up to the limit.
struct Drag {
    int fromX, fromY;  // the food's start: (-75, 250), (0, 250), (75, 250)
    int toX, toY;      // (-300, 0) and (-290, -5): rows 0 and 5; (25, -20): rows 3 and 8
};
constexpr Drag drags[3] = {{65, 10, 20, 60}, {80, 10, 22, 61}, {95, 10, 85, 64}};

// Once a second every food still at its start (where each strike puts it back)
// is dragged onto its teeth again; a press where no food lies holds nothing.
std::string keepFeedingScript() {
    std::ostringstream script;
    script << "reshape 160 120\n";
    for (int second = 0; second < gameSeconds; ++second) {
        for (const Drag& d : drags)
            script << "mouse 0 0 " << d.fromX << ' ' << d.fromY << "\nmotion " << d.toX << ' ' << d.toY
                   << "\nmouse 0 1 " << d.toX << ' ' << d.toY << '\n';
        script << "frames " << 1000 / stepMs << ' ' << stepMs << '\n';
    }
    return script.str();
}

int rowOf(const Json& tooth) {
    for (int i = 0; i < 11; ++i)
        if (toothRows[i].centreX() == tooth["x"].asFloat()) return i;
    ADD_FAILURE() << "no tooth is centred at x " << tooth["x"].number;
    return 0;
}

struct Fall {
    int firstFrame = 0;
    int lastFrame = 0;
    int startMs = 0;
    float lastY = 0;
    int bacteria = 0;
};

TEST(ReplayLongGame, TeethFallWhileEverythingStaysInBounds) {
    const ReplayRun run = runReplay(keepFeedingScript(), "--bacteria");
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), static_cast<std::size_t>(gameSeconds * 1000 / stepMs));

    std::size_t standingBefore = 11;
    std::set<int> present{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    std::map<int, Fall> falls;
    int mostBacteria = 0;
    int strikes = 0;
    int number = 0;
    for (const std::string& line : run.lines) {
        ++number;
        const Json f = parseJson(line);
        ASSERT_EQ(f["frame"].asInt(), number);
        const Json& teeth = f["teeth"];
        const Json& falling = f["falling"];
        ASSERT_LE(teeth.size(), standingBefore) << "a tooth stood up again at frame " << number;
        standingBefore = teeth.size();
        if (f["brush"]["phaseStart"].asFloat() == static_cast<float>(f["elapsedMs"].number / 1000.0) &&
            f["brush"]["phase"].asInt() == 3)
            ++strikes;

        std::set<int> now;
        for (const Json& tooth : teeth.items) {
            const int row = rowOf(tooth);
            now.insert(row);
            const ToothRow& r = toothRows[row];
            SCOPED_TRACE("frame " + std::to_string(number) + ", standing tooth " + std::to_string(row));
            ASSERT_EQ(tooth["phase"].asInt(), 0);
            ASSERT_GE(tooth["health"].asFloat(), 2.0f) << "below 2 it falls in the same frame";
            ASSERT_LE(tooth["health"].asFloat(), 100.0f);
            ASSERT_LE(tooth["n"].asInt(), 100);
            ASSERT_EQ(tooth["bacteria"].size(), static_cast<std::size_t>(tooth["n"].asInt()));
            mostBacteria = std::max(mostBacteria, tooth["n"].asInt());
            const float minX = r.centreX() - 0.5f * r.width, maxX = r.centreX() + 0.5f * r.width;
            const float minY = r.centreY() - 0.5f * r.height, maxY = r.centreY() + 0.5f * r.height;
            for (const Json& b : tooth["bacteria"].items) {
                ASSERT_GE(b[0].asFloat(), minX);
                ASSERT_LE(b[0].asFloat(), maxX);
                ASSERT_GE(b[1].asFloat(), minY);
                ASSERT_LE(b[1].asFloat(), maxY);
            }
        }
        for (const Json& tooth : falling.items) {
            const int row = rowOf(tooth);
            now.insert(row);
            SCOPED_TRACE("frame " + std::to_string(number) + ", falling tooth " + std::to_string(row));
            ASSERT_EQ(tooth["phase"].asInt(), 1);
            ASSERT_LT(tooth["health"].asFloat(), 2.0f);
            ASSERT_GE(tooth["health"].asFloat(), 0.0f);
            ASSERT_LE(tooth["n"].asInt(), 100);
            Fall& fall = falls[row];
            // 600 units a second: 30 a frame. The frame it starts to fall, it is
            // moved once already, as the falling list is updated after the standing one.
            const float expectedY = fall.firstFrame == 0 ? toothRows[row].centreY() - 30 : fall.lastY - 30;
            ASSERT_NEAR(tooth["y"].asFloat(), expectedY, 1e-3);
            if (fall.firstFrame == 0) {
                fall.firstFrame = number;
                fall.startMs = f["elapsedMs"].asInt();
                fall.bacteria = tooth["n"].asInt();
                ASSERT_EQ(tooth["phaseStart"].asFloat(), static_cast<float>(fall.startMs / 1000.0));
            }
            ASSERT_EQ(tooth["n"].asInt(), fall.bacteria) << "a falling tooth is neither fed nor cleaned";
            fall.lastFrame = number;
            fall.lastY = tooth["y"].asFloat();
        }
        for (int row : now) ASSERT_TRUE(present.count(row)) << "tooth " << row << " came back at frame " << number;
        present = now;
    }

    ASSERT_FALSE(falls.empty()) << "no tooth fell in " << gameSeconds << " s";
    EXPECT_LT(standingBefore, 11u);
    EXPECT_EQ(mostBacteria, 100) << "the fed teeth fill up";
    EXPECT_GE(strikes, 8) << "a brush strike every 21 to 31 s";
    EXPECT_GE(falls.size(), 2u);
    for (const auto& [row, fall] : falls) {
        if (fall.lastFrame == number) continue;  // still falling when the game ended
        // Gone in the first frame more than 3 s after the fall began: 3.0 s itself
        // may or may not count as past it once both times are floats.
        const int frames = fall.lastFrame - fall.firstFrame + 1;
        EXPECT_TRUE(frames == 3000 / stepMs || frames == 3000 / stepMs + 1) << "tooth " << row << ": " << frames;
        EXPECT_FALSE(present.count(row)) << "tooth " << row << " is gone for good";
    }
}

}  // namespace
