// The committed pictures in img/, decoded with the game's own Targa reader:
// sizes the game can upload, tooth cells where the tooth table samples them,
// an opaque mouth with gums under the roots, and sprite edges that filter
// toward their own colour rather than black.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/tooth.h"
#include "gfx/texture_cache.h"
#include "tests/pictures_decoded.h"
#include "tests/recording_gl.h"
#include "tests/test_support.h"

namespace {

Decoded load(const std::string& name) { return loadPicture(name); }

long fileSize(const std::string& name) {
    std::FILE* file = std::fopen(("img/" + name).c_str(), "rb");
    if (!file) return -1;
    std::fseek(file, 0, SEEK_END);
    long size = std::ftell(file);
    std::fclose(file);
    return size;
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

const char* const sprites[] = {"teeth.tga",  "bacteria.tga", "food.tga",  "brush.tga",    "drill.tga",
                               "paused.tga", "help.tga",     "ended.tga", "watching.tga", "digits.tga"};

// Every picture the game loads, by the name it loads it under, and its size.
struct PictureSize {
    const char* path;
    int width;
    int height;
};
const PictureSize pictureSizes[] = {
    {"img/bg.tga", 1024, 1024},    {"img/teeth.tga", 1024, 1024}, {"img/bacteria.tga", 64, 64},
    {"img/food.tga", 64, 64},      {"img/brush.tga", 512, 512},   {"img/drill.tga", 512, 512},
    {"img/paused.tga", 512, 128},  {"img/help.tga", 512, 256},    {"img/ended.tga", 512, 64},
    {"img/watching.tga", 128, 32}, {"img/digits.tga", 256, 32}};

TEST(PictureFiles, EachHasTheSizeItIsDrawnFromWithPowerOfTwoSides) {
    for (const PictureSize& expected : pictureSizes) {
        SCOPED_TRACE(expected.path);
        std::string name = std::string(expected.path).substr(4);
        Decoded picture = load(name);
        EXPECT_EQ(picture.width, expected.width);
        EXPECT_EQ(picture.height, expected.height);
        EXPECT_TRUE(isPowerOfTwo(picture.width) && isPowerOfTwo(picture.height));
        EXPECT_EQ(picture.header.pixelDepth, 32);
        EXPECT_EQ(picture.header.colorMapType, 0);
        EXPECT_EQ(picture.header.idLength, 0);
        // Run-length only when it saves space; an uncompressed file has nothing after its pixels.
        long plainSize = 18 + 4L * picture.width * picture.height;
        if (picture.header.imageType == 10)
            EXPECT_LT(fileSize(name), plainSize);
        else
            EXPECT_EQ(fileSize(name), plainSize) << "type " << int(picture.header.imageType);
    }
}

TEST(PictureFiles, TheGameLoadsEachAsAnRgbaTextureOfItsSize) {
    resetGameGlobals();
    for (const PictureSize& expected : pictureSizes) {
        SCOPED_TRACE(expected.path);
        TextureHandle* handle = nullptr;
        std::string diagnostics = captureDiagnostics([&] { handle = loadTexture(expected.path); });
        EXPECT_EQ(diagnostics, "");
        ASSERT_NE(handle, nullptr);
        EXPECT_NE(handle->glName, 0u);
        ASSERT_FALSE(uploadedImages.empty());
        EXPECT_EQ(uploadedImages.back().internalFormat, GL_RGBA);
        EXPECT_EQ(uploadedImages.back().width, expected.width);
        EXPECT_EQ(uploadedImages.back().height, expected.height);
        releaseTexture(handle);
        resetRecordingGl();
    }
    EXPECT_TRUE(textureCache.empty());
}

TEST(PictureFiles, SpriteEdgesFilterTowardTheirOwnColour) {
    for (const char* name : sprites) {
        SCOPED_TRACE(name);
        Decoded picture = load(name);
        int dark = 0;
        int unlikeNeighbours = 0;
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                if (picture.alpha(x, y) != 0) continue;
                const unsigned char* clear = picture.at(x, y);
                if (clear[0] < 24 && clear[1] < 24 && clear[2] < 24) ++dark;
                // Next to the sprite, a clear pixel must repeat a visible neighbour's colour.
                bool touchesVisible = false;
                bool matches = false;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        int nx = x + dx;
                        int ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= picture.width || ny >= picture.height) continue;
                        if (picture.alpha(nx, ny) == 0) continue;
                        touchesVisible = true;
                        const unsigned char* seen = picture.at(nx, ny);
                        if (seen[0] == clear[0] && seen[1] == clear[1] && seen[2] == clear[2]) matches = true;
                    }
                }
                if (touchesVisible && !matches) ++unlikeNeighbours;
            }
        }
        EXPECT_EQ(dark, 0);
        EXPECT_EQ(unlikeNeighbours, 0);
    }
}

// ------------------------------------------------------------ the mouth

// The background is drawn 800 units square around the canvas origin.
const unsigned char* backgroundAt(const Decoded& bg, double canvasX, double canvasY) {
    int x = static_cast<int>((canvasX + 400) / 800 * bg.width);
    int y = static_cast<int>((400 - canvasY) / 800 * bg.height);
    return bg.at(x, y);
}

double brightness(const unsigned char* p) { return (p[0] + p[1] + p[2]) / 3.0; }

TEST(MouthPicture, IsOpaqueEverywhere) {
    Decoded bg = load("bg.tga");
    int seeThrough = 0;
    for (int y = 0; y < bg.height; ++y)
        for (int x = 0; x < bg.width; ++x) seeThrough += bg.alpha(x, y) != 255;
    EXPECT_EQ(seeThrough, 0);
}

TEST(MouthPicture, GumsHoldEveryRootAndTheMouthBehindTheUpperTeethIsDark) {
    Decoded bg = load("bg.tga");
    ASSERT_EQ(bg.width, 1024);
    for (int i = 0; i < toothCount; ++i) {
        SCOPED_TRACE(i);
        const ToothLayout& tooth = toothLayouts[i];
        double centreX = tooth.width / 2 + tooth.pictureX - 400;
        double centreY = 300 - tooth.pictureY - tooth.height / 2;
        bool upper = tooth.atlasRow == 0;
        double rootEnd = centreY + (upper ? 0.5 : -0.5) * tooth.height;
        // Just past the root, beside the tooth: pink gum (or lip), not the dark mouth.
        const unsigned char* gum = backgroundAt(bg, centreX, rootEnd + (upper ? 12 : -12));
        EXPECT_GT(gum[0], 140);
        EXPECT_GT(gum[0], gum[1] + 40);
        if (upper) {
            // Where the crown hangs, a fallen tooth leaves a dark gap.
            const unsigned char* gap = backgroundAt(bg, centreX, centreY - 0.25 * tooth.height);
            EXPECT_LT(brightness(gap), brightness(gum) * 0.6);
        }
    }
}

// A column's roughness across its neighbours: the mean over rows of
// |2 g[x] - g[x-1] - g[x+1]|, g the grey level. A hard edge in a field the
// gums are shaded from shows as one column standing far above the rest.
std::vector<double> columnSecondDifferences(const Decoded& picture) {
    std::vector<double> scores;
    for (int x = 1; x + 1 < picture.width; ++x) {
        double sum = 0;
        for (int y = 0; y < picture.height; ++y)
            sum += std::fabs(2 * brightness(picture.at(x, y)) - brightness(picture.at(x - 1, y)) -
                             brightness(picture.at(x + 1, y)));
        scores.push_back(sum / picture.height);
    }
    return scores;
}

TEST(MouthPicture, HasNoVerticalSeams) {
    Decoded bg = load("bg.tga");
    ASSERT_GT(bg.width, 2);
    std::vector<double> scores = columnSecondDifferences(bg);
    std::vector<double> sorted = scores;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    double median = sorted[sorted.size() / 2];
    ASSERT_GT(median, 0.1);  // the grain of skin and gums is there to compare with
    auto worst = std::max_element(scores.begin(), scores.end());
    long seams = std::count_if(scores.begin(), scores.end(), [&](double s) { return s > 3 * median; });
    EXPECT_EQ(seams, 0) << "worst: column " << (worst - scores.begin()) + 1 << " scores " << *worst
                        << " against a median of " << median;
}

// ------------------------------------------------------------ the tooth atlas

// The part of the atlas the game's texture matrix shows for one tooth.
struct Cell {
    double left, top, right, bottom;  // in pixels, y down
};

Cell cellOf(const ToothLayout& tooth, const Decoded& atlas) {
    double width = atlas.width / 6.0;
    double top = tooth.atlasRow * 0.5 * atlas.height;
    double height = static_cast<double>(tooth.height) / tooth.width / 6.0 * atlas.height;
    return {tooth.atlasColumn * width, top, (tooth.atlasColumn + 1) * width, top + height};
}

bool centreInside(const Cell& cell, int x, int y) {
    return x + 0.5 > cell.left && x + 0.5 < cell.right && y + 0.5 > cell.top && y + 0.5 < cell.bottom;
}

// Opaque pixels across one row of a cell.
int opaqueAcross(const Decoded& atlas, const Cell& cell, int y) {
    int count = 0;
    for (int x = static_cast<int>(cell.left); x < static_cast<int>(cell.right); ++x)
        if (centreInside(cell, x, y) && atlas.alpha(x, y) >= 128) ++count;
    return count;
}

TEST(ToothAtlas, IsSquareSoEveryToothKeepsItsProportions) {
    Decoded atlas = load("teeth.tga");
    EXPECT_EQ(atlas.width, atlas.height);
}

TEST(ToothAtlas, EachToothFillsTheCellTheGameSamples) {
    Decoded atlas = load("teeth.tga");
    ASSERT_GT(atlas.width, 0);
    for (int i = 0; i < toothCount; ++i) {
        SCOPED_TRACE(i);
        Cell cell = cellOf(toothLayouts[i], atlas);
        int inside = 0;
        int opaque = 0;
        int minX = atlas.width, maxX = -1, minY = atlas.height, maxY = -1;
        for (int y = static_cast<int>(cell.top); y < static_cast<int>(cell.bottom) + 1; ++y) {
            for (int x = static_cast<int>(cell.left); x < static_cast<int>(cell.right) + 1; ++x) {
                if (!centreInside(cell, x, y)) continue;
                ++inside;
                if (atlas.alpha(x, y) < 128) continue;
                ++opaque;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
        EXPECT_GT(opaque, inside * 7 / 10);
        EXPECT_GT(maxX - minX + 1, 0.9 * (cell.right - cell.left));
        EXPECT_GT(maxY - minY + 1, 0.9 * (cell.bottom - cell.top));
    }
}

TEST(ToothAtlas, EverythingOutsideTheCellsIsClear) {
    Decoded atlas = load("teeth.tga");
    std::vector<Cell> cells;
    for (int i = 0; i < toothCount; ++i) cells.push_back(cellOf(toothLayouts[i], atlas));
    int stray = 0;
    for (int y = 0; y < atlas.height; ++y) {
        for (int x = 0; x < atlas.width; ++x) {
            bool inCell = false;
            for (const Cell& cell : cells) inCell = inCell || centreInside(cell, x, y);
            if (!inCell && atlas.alpha(x, y) != 0) ++stray;
        }
    }
    EXPECT_EQ(stray, 0);
}

TEST(ToothAtlas, UpperCrownsPointDownAndLowerCrownsPointUp) {
    Decoded atlas = load("teeth.tga");
    for (int i = 0; i < toothCount; ++i) {
        SCOPED_TRACE(i);
        Cell cell = cellOf(toothLayouts[i], atlas);
        double height = cell.bottom - cell.top;
        int nearTop = opaqueAcross(atlas, cell, static_cast<int>(cell.top + 0.08 * height));
        int nearBottom = opaqueAcross(atlas, cell, static_cast<int>(cell.top + 0.92 * height));
        int clearDifference = static_cast<int>(0.04 * (cell.right - cell.left));
        if (toothLayouts[i].atlasRow == 0)
            EXPECT_GT(nearTop, nearBottom + clearDifference);
        else
            EXPECT_GT(nearBottom, nearTop + clearDifference);
    }
}

TEST(ToothAtlas, EnamelIsNearWhiteSoDecayCanYellowIt) {
    Decoded atlas = load("teeth.tga");
    double sum[3] = {0, 0, 0};
    long count = 0;
    for (int y = 0; y < atlas.height; ++y) {
        for (int x = 0; x < atlas.width; ++x) {
            if (atlas.alpha(x, y) != 255) continue;
            for (int k = 0; k < 3; ++k) sum[k] += atlas.at(x, y)[k];
            ++count;
        }
    }
    ASSERT_GT(count, 0);
    // The game tints teeth (1, 1, health/100): only a strong blue channel shows that.
    for (double channel : sum) EXPECT_GT(channel / count, 205);
}

// ------------------------------------------------------------ the sprites

struct Coverage {
    double clear = 0;   // share of pixels with alpha 0
    double opaque = 0;  // share with alpha 255
};

Coverage coverageOf(const Decoded& picture) {
    Coverage coverage;
    double total = static_cast<double>(picture.width) * picture.height;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            coverage.clear += picture.alpha(x, y) == 0;
            coverage.opaque += picture.alpha(x, y) == 255;
        }
    }
    coverage.clear /= total;
    coverage.opaque /= total;
    return coverage;
}

// Opaque pixels in each column.
std::vector<int> columnCounts(const Decoded& picture) {
    std::vector<int> counts(picture.width, 0);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) counts[x] += picture.alpha(x, y) >= 128;
    return counts;
}

TEST(ToolPictures, BrushAndDrillLeaveTheTeethVisible) {
    // The drill waits at the end of the bite, so it shows only its nose.
    struct Tool {
        const char* name;
        double leastOpaque;
    };
    for (Tool tool : {Tool{"brush.tga", 0.02}, Tool{"drill.tga", 0.003}}) {
        SCOPED_TRACE(tool.name);
        Coverage coverage = coverageOf(load(tool.name));
        EXPECT_GT(coverage.clear, 0.5);
        EXPECT_GT(coverage.opaque, tool.leastOpaque);
    }
}

TEST(ToolPictures, TheDrillLeadsWithItsThinTipOnTheLeft) {
    Decoded drill = load("drill.tga");
    std::vector<int> counts = columnCounts(drill);
    int first = 0;
    while (first < drill.width && counts[first] == 0) ++first;
    int last = drill.width - 1;
    while (last > first && counts[last] == 0) --last;
    ASSERT_LT(first + 20, last);
    int span = last - first + 1;
    int leftThickest = 0;
    int rightThickest = 0;
    for (int x = first; x < first + span / 8; ++x) leftThickest = std::max(leftThickest, counts[x]);
    for (int x = last - span / 8; x <= last; ++x) rightThickest = std::max(rightThickest, counts[x]);
    EXPECT_LT(leftThickest * 2, rightThickest);
}

TEST(ToolPictures, TheBrushHeadAndBristlesLeadOnTheRight) {
    Decoded brush = load("brush.tga");
    std::vector<int> counts = columnCounts(brush);
    int left = 0;
    int right = 0;
    for (int x = 0; x < brush.width; ++x) (x < brush.width / 2 ? left : right) += counts[x];
    EXPECT_GT(right, left * 3 / 2);
    // The handle trails off to the left.
    EXPECT_GT(counts[brush.width / 8], 0);
}

TEST(SmallSprites, BacteriumFacesUpAndStandsOutFromEnamel) {
    Decoded bacterium = load("bacteria.tga");
    double eyeY = 0;
    double bodyY = 0;
    int eyes = 0;
    int body = 0;
    double whiteness = 0;
    for (int y = 0; y < bacterium.height; ++y) {
        for (int x = 0; x < bacterium.width; ++x) {
            if (bacterium.alpha(x, y) != 255) continue;
            const unsigned char* p = bacterium.at(x, y);
            bool white = p[0] > 235 && p[1] > 235 && p[2] > 225;
            if (white) {
                eyeY += y;
                ++eyes;
            }
            bodyY += y;
            ++body;
            whiteness += std::min(p[0], std::min(p[1], p[2]));
        }
    }
    ASSERT_GT(eyes, 10);
    ASSERT_GT(body, 0);
    // Rows run top first, so the eyes (the front) have the smaller row numbers.
    EXPECT_LT(eyeY / eyes, bodyY / body - 5);
    EXPECT_LT(eyeY / eyes, bacterium.height / 2.0);
    EXPECT_LT(whiteness / body, 150);
}

TEST(SmallSprites, FoodIsACompactPieceWithClearCorners) {
    Decoded food = load("food.tga");
    Coverage coverage = coverageOf(food);
    EXPECT_GT(coverage.opaque, 0.2);
    EXPECT_GT(coverage.clear, 0.2);
    int last = food.width - 1;
    EXPECT_EQ(food.alpha(0, 0) + food.alpha(last, 0) + food.alpha(0, last) + food.alpha(last, last), 0);
    EXPECT_EQ(food.alpha(food.width / 2, food.height / 2), 255);
}

// ------------------------------------------------------------ the signs

// How bright a pixel looks laid over a grey ground of the given level.
double brightnessOver(const unsigned char* p, double ground) {
    double a = p[3] / 255.0;
    return brightness(p) * a + ground * (1 - a);
}

// Opaque and light: the letters' own colour or the keys' pale gold.
bool isLetter(const unsigned char* p) { return p[3] == 255 && p[0] > 200 && p[1] > 190; }

// The smallest box round the letters' opaque, light pixels, edges included.
struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool found() const { return right >= left; }
};

Box letterBox(const Decoded& sign) {
    Box box;
    for (int y = 0; y < sign.height; ++y) {
        for (int x = 0; x < sign.width; ++x) {
            if (!isLetter(sign.at(x, y))) continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

// Plate between the text and the plate's soft rim, either side of the text's
// middle and clear of the letters' shadow, which falls down and right.
std::vector<const unsigned char*> plateSamples(const Decoded& sign, const Box& text) {
    std::vector<const unsigned char*> samples;
    int middleRow = (text.top + text.bottom) / 2;
    for (int y = middleRow - 1; y <= middleRow + 1; ++y) {
        for (int x = text.left - 10; x < text.left - 5; ++x) samples.push_back(sign.at(x, y));
        for (int x = text.right + 6; x <= text.right + 10; ++x) samples.push_back(sign.at(x, y));
    }
    return samples;
}

// The signs laid over the middle of the mouth, and the least share of their
// text's box the opaque, light letters fill: the pen-drawn word is bold, the
// lines of running text are thin and spaced apart.
struct Sign {
    const char* name;
    double leastLetterShare;
};
const Sign signs[] = {{"paused.tga", 0.2}, {"help.tga", 0.03}, {"ended.tga", 0.1}, {"watching.tga", 0.15}};

TEST(Signs, TextSitsInTheMiddleOfAClearBorder) {
    for (const Sign& s : signs) {
        SCOPED_TRACE(s.name);
        Decoded sign = load(s.name);
        ASSERT_GT(sign.height, 2);
        // The game's textures repeat, so anything on one edge would show along the opposite one.
        int edge = 0;
        for (int x = 0; x < sign.width; ++x) edge += sign.alpha(x, 0) + sign.alpha(x, sign.height - 1);
        for (int y = 0; y < sign.height; ++y) edge += sign.alpha(0, y) + sign.alpha(sign.width - 1, y);
        EXPECT_EQ(edge, 0);
        // The game centres the sign on the canvas, so the text must sit in its middle.
        Box text = letterBox(sign);
        ASSERT_TRUE(text.found()) << "no opaque, light letters";
        EXPECT_NEAR(text.left + text.right, sign.width - 1, 4);
        EXPECT_NEAR(text.top + text.bottom, sign.height - 1, 6);
    }
}

TEST(Signs, LightOpaqueLettersOnADarkPlateTheMouthShowsThrough) {
    for (const Sign& s : signs) {
        SCOPED_TRACE(s.name);
        Decoded sign = load(s.name);
        Box text = letterBox(sign);
        ASSERT_TRUE(text.found()) << "no opaque, light letters";
        ASSERT_GE(text.left, 10);
        ASSERT_LT(text.right + 10, sign.width);
        std::vector<const unsigned char*> plate = plateSamples(sign, text);
        int mostOpaque = 0;
        double palestOverWhite = 0;
        double darkestOverBlack = 255;
        for (const unsigned char* p : plate) {
            mostOpaque = std::max<int>(mostOpaque, p[3]);
            palestOverWhite = std::max(palestOverWhite, brightnessOver(p, 255));
            darkestOverBlack = std::min(darkestOverBlack, brightnessOver(p, 0));
        }
        // Enough of the dimmed mouth shows through to say the game is only resting...
        EXPECT_LE(mostOpaque, 230);
        // ...yet even over the brightest ground the plate stays dark behind the letters,
        EXPECT_LT(palestOverWhite, 128);
        EXPECT_GT(darkestOverBlack, 0);  // and it is a plate, not a hole.
        long letters = 0;
        for (int y = 0; y < sign.height; ++y)
            for (int x = 0; x < sign.width; ++x) letters += isLetter(sign.at(x, y));
        // Strokes thick enough to read at the canvas's own size.
        long area = static_cast<long>(text.right - text.left) * (text.bottom - text.top);
        EXPECT_GT(letters, s.leastLetterShare * area);
    }
}

TEST(Signs, EdgesAreSoftNotStepped) {
    for (const Sign& s : signs) {
        SCOPED_TRACE(s.name);
        Decoded sign = load(s.name);
        Box text = letterBox(sign);
        ASSERT_TRUE(text.found()) << "no opaque, light letters";
        ASSERT_GE(text.left, 8);
        // The plate fades in from the clear border over several pixels.
        int middleRow = (text.top + text.bottom) / 2;
        int plateAlpha = sign.alpha(text.left - 8, middleRow);
        int fading = 0;
        for (int x = 0; x < text.left - 8; ++x) {
            int alpha = sign.alpha(x, middleRow);
            fading += alpha > 0 && alpha < plateAlpha - 8;
        }
        EXPECT_GE(fading, 4);
        // Round the letters, pixels part way between plate and letter: text
        // drawn without smoothing has almost none.
        long letters = 0;
        long between = 0;
        for (int y = text.top; y <= text.bottom; ++y) {
            for (int x = text.left; x <= text.right; ++x) {
                const unsigned char* p = sign.at(x, y);
                letters += isLetter(p);
                double level = brightnessOver(p, 0);
                between += level > 60 && level < 170;
            }
        }
        EXPECT_GT(between * 25, letters);
    }
}

// ------------------------------------------------------------ the digits

constexpr int digitCell = 16;
const char digitOrder[] = "0123456789x:";
constexpr int digitGlyphs = 12;

TEST(Digits, EachGlyphSitsLightInTheMiddleOfItsOwnCell) {
    Decoded digits = load("digits.tga");
    ASSERT_EQ(digits.width, 16 * digitCell);
    std::vector<std::vector<int>> shapes;
    for (int cell = 0; cell < 16; ++cell) {
        SCOPED_TRACE(cell < digitGlyphs ? std::string(1, digitOrder[cell]) : "empty cell " + std::to_string(cell));
        int left = cell * digitCell;
        long ink = 0;
        long light = 0;
        double sumX = 0, sumY = 0, weight = 0;
        int border = 0;
        std::vector<int> shape;
        for (int y = 0; y < digits.height; ++y) {
            for (int x = left; x < left + digitCell; ++x) {
                const unsigned char* p = digits.at(x, y);
                shape.push_back(p[3]);
                if (p[3] == 0) continue;
                // A clear pixel all round, so filtering never pulls in a neighbour.
                border += x == left || x == left + digitCell - 1 || y == 0 || y == digits.height - 1;
                ink += p[3];
                light += p[3] == 255 && std::min({p[0], p[1], p[2]}) > 200;
                sumX += p[3] * (x + 0.5 - left);
                sumY += p[3] * (y + 0.5);
                weight += p[3];
            }
        }
        EXPECT_EQ(border, 0);
        if (cell >= digitGlyphs) {
            EXPECT_EQ(ink, 0);
            continue;
        }
        EXPECT_GT(light, 6);  // solid, light strokes, not a faint smudge
        ASSERT_GT(weight, 0);
        // The ink's balance point: a glyph's centre of mass lies near the middle of its box.
        EXPECT_NEAR(sumX / weight, digitCell / 2.0, 1.5);
        EXPECT_NEAR(sumY / weight, digits.height / 2.0, 2.5);
        shapes.push_back(shape);
    }
    // Twelve different glyphs: a font without them draws the same box in each cell.
    for (std::size_t i = 0; i < shapes.size(); ++i)
        for (std::size_t j = i + 1; j < shapes.size(); ++j) EXPECT_NE(shapes[i], shapes[j]) << i << " and " << j;
}

TEST(Digits, HaveNoPlateOfTheirOwn) {
    Decoded digits = load("digits.tga");
    Coverage coverage = coverageOf(digits);
    EXPECT_GT(coverage.clear, 0.6);
    // What is not clear is glyph: light, never a dark ground.
    int dark = 0;
    for (int y = 0; y < digits.height; ++y)
        for (int x = 0; x < digits.width; ++x) dark += digits.alpha(x, y) > 64 && brightness(digits.at(x, y)) < 160;
    EXPECT_EQ(dark, 0);
}

}  // namespace
