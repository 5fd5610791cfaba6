// Where the pictures land on the canvas when the game draws them: the drill at
// work stands off every tooth (the strike repairs a tooth picked at random, so
// its bur must point at none), and the mouth is centred on the rows of teeth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "game/tool.h"
#include "game/tooth.h"
#include "gfx/texture_cache.h"
#include "tests/pictures_decoded.h"
#include "tests/test_support.h"

namespace {

constexpr int canvasWidth = 800;
constexpr int canvasHeight = 600;
constexpr int visible = 128;  // alpha from which a pixel counts as part of the picture

// Which canvas units (cells 1 unit square, y up) some tooth's picture covers,
// sampled through the texture matrix each tooth is built with.
struct ToothCover {
    std::vector<bool> covered = std::vector<bool>(canvasWidth * canvasHeight, false);

    bool at(int x, int y) const {
        int column = x + canvasWidth / 2;
        int row = canvasHeight / 2 - 1 - y;
        if (column < 0 || row < 0 || column >= canvasWidth || row >= canvasHeight) return false;
        return covered[static_cast<std::size_t>(row) * canvasWidth + column];
    }
};

ToothCover coverOfStandingTeeth(const Decoded& atlas, std::vector<Tooth*>& teeth) {
    ToothCover cover;
    for (const Tooth* tooth : teeth) {
        const Sprite& s = tooth->sprite;
        for (int row = 0; row < canvasHeight; ++row) {
            for (int column = 0; column < canvasWidth; ++column) {
                double x = column - canvasWidth / 2 + 0.5;
                double y = canvasHeight / 2 - row - 0.5;
                if (x < tooth->minX || x > tooth->maxX || y < tooth->minY || y > tooth->maxY) continue;
                // The quad's texture coordinate t runs from 0 at its top edge down to 1.
                double u = (x - tooth->minX) / s.scale.x;
                double v = (tooth->maxY - y) / s.scale.y;
                int ax =
                    std::min(atlas.width - 1, static_cast<int>((s.texOffset[0] + u * s.texScale[0]) * atlas.width));
                int ay =
                    std::min(atlas.height - 1, static_cast<int>((s.texOffset[1] + v * s.texScale[1]) * atlas.height));
                if (atlas.alpha(ax, ay) >= visible)
                    cover.covered[static_cast<std::size_t>(row) * canvasWidth + column] = true;
            }
        }
    }
    return cover;
}

struct Point {
    double x;
    double y;
};

class PicturePlacement : public testing::Test {
protected:
    void SetUp() override {
        resetGameGlobals();
        for (const ToothLayout& layout : toothLayouts) teeth.push_back(createTooth(layout));
        buildDrill(drill);
    }
    void TearDown() override {
        for (Tooth* tooth : teeth) destroyTooth(tooth);
        destroyTool(drill);
        EXPECT_TRUE(textureCache.empty());
    }
    std::vector<Tooth*> teeth;
    Tool drill;
};

TEST_F(PicturePlacement, TheDrillAtWorkStandsOffEveryToothWithItsTipInTheBite) {
    Decoded picture = loadPicture("drill.tga");
    Decoded atlas = loadPicture("teeth.tga");
    ASSERT_GT(picture.width, 0);
    ASSERT_GT(atlas.width, 0);
    ToothCover cover = coverOfStandingTeeth(atlas, teeth);
    // It strikes with its middle at the canvas centre.
    const double width = drill.sprite.scale.x;
    const double height = drill.sprite.scale.y;
    std::vector<Point> drawn;
    for (int py = 0; py < picture.height; ++py)
        for (int px = 0; px < picture.width; ++px)
            if (picture.alpha(px, py) >= visible)
                drawn.push_back(
                    {((px + 0.5) / picture.width - 0.5) * width, (0.5 - (py + 0.5) / picture.height) * height});
    ASSERT_FALSE(drawn.empty());

    const double clearance = 20;
    int reach = static_cast<int>(clearance) + 1;
    double nearest = 1e9;
    for (const Point& p : drawn) {
        for (int y = static_cast<int>(p.y) - reach; y <= static_cast<int>(p.y) + reach; ++y)
            for (int x = static_cast<int>(p.x) - reach; x <= static_cast<int>(p.x) + reach; ++x)
                if (cover.at(x, y)) nearest = std::min(nearest, std::hypot(x + 0.5 - p.x, y + 0.5 - p.y));
    }
    EXPECT_GE(nearest, clearance) << "the drill comes within " << nearest << " units of a tooth";

    // The tip, its leftmost part, points along the bite: below the middle of
    // every upper tooth and above the middle of every lower one.
    double tipX = 1e9;
    for (const Point& p : drawn) tipX = std::min(tipX, p.x);
    double sum = 0;
    int count = 0;
    for (const Point& p : drawn)
        if (p.x < tipX + 2) sum += p.y, ++count;
    double tipY = sum / count;
    for (int i = 0; i < toothCount; ++i) {
        SCOPED_TRACE(i);
        if (toothLayouts[i].atlasRow == 0)
            EXPECT_LT(tipY, teeth[i]->sprite.position.y);
        else
            EXPECT_GT(tipY, teeth[i]->sprite.position.y);
    }
}

// Skin is a pale pinkish beige; the lips and everything inside them are redder.
bool isSkin(const unsigned char* p) { return p[1] > 0.7 * p[0]; }

TEST_F(PicturePlacement, TheMouthIsCentredOnTheRowsOfTeeth) {
    Decoded bg = loadPicture("bg.tga");
    ASSERT_GT(bg.width, 0);
    double left = 1e9;
    double right = -1e9;
    for (const Tooth* tooth : teeth) {
        left = std::min<double>(left, tooth->minX);
        right = std::max<double>(right, tooth->maxX);
    }
    double teethCentre = 0.5 * (left + right);

    // Across each row where skin shows on both sides, the middle of the lips;
    // the picture is drawn 800 units square round the canvas centre.
    const double unitsPerPixel = 800.0 / bg.width;
    double sum = 0;
    int rows = 0;
    for (int y = 0; y < bg.height; ++y) {
        int first = 0;
        while (first < bg.width && isSkin(bg.at(first, y))) ++first;
        int last = bg.width - 1;
        while (last > first && isSkin(bg.at(last, y))) --last;
        if (first == 0 || last == bg.width - 1 || last - first < bg.width / 4) continue;
        sum += (0.5 * (first + last + 1)) * unitsPerPixel - 400;
        ++rows;
    }
    ASSERT_GT(rows, 20) << "too few rows show the lips whole";
    EXPECT_NEAR(sum / rows, teethCentre, 8);
}

}  // namespace
