// Which rectangles a frame drawn in parts draws again: sprites that moved,
// changed, came, went or changed places in the drawing order, and how the
// rectangles are joined without leaving a pixel out.
#include "session/damage_rects.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

LoggedSprite sprite(int x, int y, float look, const void* texture = nullptr) {
    LoggedSprite s;
    s.look[0] = look;
    s.look[12] = static_cast<float>(x);
    s.look[13] = static_cast<float>(y);
    s.texture = texture;
    s.hash = static_cast<std::uint64_t>(look * 7 + static_cast<float>(x) * 131 + static_cast<float>(y)) % 5;
    s.rect = {x, y, x + 10, y + 10};
    return s;
}

bool covers(const std::vector<PixelRect>& rects, int x, int y) {
    for (const PixelRect& r : rects)
        if (x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1) return true;
    return false;
}

bool coversRect(const std::vector<PixelRect>& rects, const PixelRect& wanted) {
    for (int x = wanted.x0; x < wanted.x1; ++x)
        for (int y = wanted.y0; y < wanted.y1; ++y)
            if (!covers(rects, x, y)) return false;
    return true;
}

}  // namespace

TEST(DamageRects, AFrameLikeTheLastChangesNothing) {
    const std::vector<LoggedSprite> frame = {sprite(0, 0, 1), sprite(5, 5, 2), sprite(5, 5, 2), sprite(40, 0, 3)};
    EXPECT_TRUE(changedRects(frame, frame).empty());
}

TEST(DamageRects, ASpriteThatChangedGivesWhereItWasAndWhereItIs) {
    const int texture = 0;
    struct Case {
        const char* what;
        std::vector<LoggedSprite> before, now;
        std::vector<PixelRect> damaged;
        bool firstStays;  // the first sprite, at 0,0, is not drawn again
    };
    const Case cases[] = {
        {"moved",
         {sprite(0, 0, 1), sprite(50, 50, 2)},
         {sprite(0, 0, 1), sprite(60, 50, 2)},
         {{50, 50, 60, 60}, {60, 50, 70, 60}},
         true},
        {"retinted in place", {sprite(0, 0, 1)}, {sprite(0, 0, 9)}, {{0, 0, 10, 10}}, false},
        {"another picture", {sprite(0, 0, 1)}, {sprite(0, 0, 1, &texture)}, {{0, 0, 10, 10}}, false},
        {"gone",
         {sprite(0, 0, 1), sprite(30, 30, 2), sprite(90, 0, 3)},
         {sprite(0, 0, 1), sprite(90, 0, 3)},
         {{30, 30, 40, 40}},
         true},
        {"come", {sprite(0, 0, 1)}, {sprite(0, 0, 1), sprite(70, 20, 4)}, {{70, 20, 80, 30}}, true},
        // Two overlapping sprites drawn the other way round show the other on
        // top where they overlap; one of them is drawn again.
        {"swapped in the order",
         {sprite(0, 0, 1), sprite(5, 5, 2)},
         {sprite(5, 5, 2), sprite(0, 0, 1)},
         {{5, 5, 10, 10}},
         false},
    };
    for (const Case& c : cases) {
        const std::vector<PixelRect> rects = changedRects(c.before, c.now);
        for (const PixelRect& wanted : c.damaged) EXPECT_TRUE(coversRect(rects, wanted)) << c.what;
        // Unchanged sprites elsewhere are not drawn again.
        if (c.firstStays) {
            EXPECT_FALSE(covers(rects, 1, 1)) << c.what << ": the first sprite stayed as it was";
        }
    }
}

TEST(DamageRects, JoiningCoversEveryPixelAndKeepsToTheLimit) {
    std::vector<PixelRect> rects;
    for (int i = 0; i < 40; ++i)
        rects.push_back({(i * 37) % 300, (i * 53) % 200, (i * 37) % 300 + 12, (i * 53) % 200 + 9});
    rects.push_back({5, 5, 20, 20});
    rects.push_back({10, 10, 25, 25});  // overlaps the one before
    for (std::size_t most : {1u, 4u, 12u, 100u}) {
        const std::vector<PixelRect> joined = joinRects(rects, most);
        EXPECT_LE(joined.size(), most);
        for (const PixelRect& r : rects) EXPECT_TRUE(coversRect(joined, r)) << most;
        for (std::size_t i = 0; i < joined.size(); ++i)
            for (std::size_t j = i + 1; j < joined.size(); ++j)
                EXPECT_FALSE(rectsOverlap(joined[i], joined[j])) << "a pixel drawn twice";
    }
    // Far apart, two small rectangles stay two.
    EXPECT_EQ(joinRects({{0, 0, 10, 10}, {200, 200, 210, 210}}, 12).size(), 2u);
}
