// Outlines against brute force: for small pictures with their visible parts in
// awkward places (across the wrapping edges, in one atlas cell), every spot of
// the quad where linear filtering with wrapping gives a non-zero alpha must lie
// inside the outline, both for upright and for turned sprites, and the outline
// must still leave out most of what cannot show. And the quick outline, from
// alpha runs with the search cut short, is the texel-by-texel one to the bit.
#include "gfx/quad_outline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "game/tooth_layout.h"
#include "gfx/targa.h"
#include "tests/quad_outline_reference.h"

namespace {

struct Case {
    const char* name;
    int width, height;
    // Rectangles of alpha 255 (left, top, right, bottom texel, inclusive), plus one see-through texel.
    std::vector<std::vector<int>> solid;
    std::vector<int> faint;  // column, row; empty for none
    float texOffset[2], texScale[2];
    double mostShare;  // the upright outline covers at most this share of the quad
};

const Case cases[] = {
    {"blob in the middle", 32, 32, {{10, 12, 20, 18}}, {}, {0, 0}, {1, 1}, 0.35},
    {"body and a tail across the bottom edge", 32, 32, {{12, 8, 20, 22}, {15, 23, 16, 31}}, {}, {0, 0}, {1, 1}, 0.5},
    {"touching the right edge", 32, 16, {{24, 4, 31, 9}}, {2, 14}, {0, 0}, {1, 1}, 1},
    // Wrapping brings the corner texel into all four corners of the quad.
    {"one faint texel in a corner", 16, 16, {}, {0, 0}, {0, 0}, {1, 1}, 0.2},
    {"two blobs apart", 32, 64, {{4, 4, 12, 10}, {18, 40, 28, 60}}, {}, {0, 0}, {1, 1}, 0.6},
    // The last row of the lower cells wraps into the top edge of this one.
    {"one cell of an atlas", 48, 32, {{18, 3, 28, 12}, {0, 20, 47, 31}}, {}, {1 / 3.0f, 0}, {1 / 3.0f, 0.5f}, 0.7},
    {"a mirrored cell", 48, 32, {{18, 3, 28, 12}}, {}, {2 / 3.0f, 0.5f}, {-1 / 3.0f, -0.5f}, 0.65},
    {"nothing visible", 16, 16, {}, {}, {0, 0}, {1, 1}, 0},
};

std::vector<unsigned char> picture(const Case& c) {
    std::vector<unsigned char> rgba(static_cast<std::size_t>(c.width * c.height) * 4, 90);
    for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 0;
    auto alpha = [&](int x, int y) -> unsigned char& {
        return rgba[(static_cast<std::size_t>(y) * c.width + x) * 4 + 3];
    };
    for (const auto& r : c.solid)
        for (int y = r[1]; y <= r[3]; ++y)
            for (int x = r[0]; x <= r[2]; ++x) alpha(x, y) = 255;
    if (!c.faint.empty()) alpha(c.faint[0], c.faint[1]) = 7;
    return rgba;
}

// GL_LINEAR with GL_REPEAT at quad texture coordinate (s, t) after the texture matrix.
double filteredAlpha(const Case& c, const std::vector<unsigned char>& rgba, double s, double t) {
    const double u = (c.texOffset[0] + s * c.texScale[0]) * c.width - 0.5;
    const double v = (c.texOffset[1] + t * c.texScale[1]) * c.height - 0.5;
    const int i = static_cast<int>(std::floor(u)), j = static_cast<int>(std::floor(v));
    const double fu = u - i, fv = v - j;
    auto at = [&](int x, int y) {
        x = ((x % c.width) + c.width) % c.width;
        y = ((y % c.height) + c.height) % c.height;
        return rgba[(static_cast<std::size_t>(y) * c.width + x) * 4 + 3] / 255.0;
    };
    return (1 - fu) * (1 - fv) * at(i, j) + fu * (1 - fv) * at(i + 1, j) + (1 - fu) * fv * at(i, j + 1) +
           fu * fv * at(i + 1, j + 1);
}

struct Box {
    double left, right, bottom, top;
};

std::vector<Box> boxes(const OutlineRects& rects) {
    std::vector<Box> out;
    for (std::size_t i = 0; i + 3 < rects.corners.size(); i += 4) {
        const OutlinePoint& a = rects.corners[i];
        const OutlinePoint& c = rects.corners[i + 2];
        EXPECT_LT(a.x, c.x) << "counter-clockwise from the bottom left";
        EXPECT_LT(a.y, c.y);
        for (std::size_t k = i; k < i + 4; ++k) {
            EXPECT_FLOAT_EQ(rects.corners[k].s, rects.corners[k].x + 0.5f) << "texture follows the quad";
            EXPECT_FLOAT_EQ(rects.corners[k].t, 0.5f - rects.corners[k].y);
        }
        out.push_back({a.x, c.x, a.y, c.y});
    }
    return out;
}

bool inside(const std::vector<Box>& bs, double x, double y) {
    for (const Box& b : bs)
        if (x >= b.left && x <= b.right && y >= b.bottom && y <= b.top) return true;
    return false;
}

double area(const std::vector<Box>& bs) {
    double a = 0;
    for (const Box& b : bs) a += (b.right - b.left) * (b.top - b.bottom);
    return a;
}

TEST(QuadOutline, EverySpotThatCanShowIsInsideAndMostThatCannotIsLeftOut) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<unsigned char> rgba = picture(c);
        const PictureCoverage coverage = measureCoverage(rgba.data(), c.width, c.height, 4);
        const QuadOutline outline = outlineQuad(coverage, c.texOffset, c.texScale, 1600);
        ASSERT_FALSE(outline.whole);
        EXPECT_FALSE(outline.opaque);
        const std::vector<Box> upright = boxes(outline.upright), turned = boxes(outline.turned);
        // A fine grid, off the texel lattice, over the whole quad.
        constexpr int steps = 701;
        for (int a = 0; a <= steps; ++a)
            for (int b = 0; b <= steps; ++b) {
                const double s = a / static_cast<double>(steps), t = b / static_cast<double>(steps);
                if (filteredAlpha(c, rgba, s, t) == 0) continue;
                ASSERT_TRUE(inside(upright, s - 0.5, 0.5 - t)) << "upright misses s " << s << " t " << t;
                ASSERT_TRUE(inside(turned, s - 0.5, 0.5 - t)) << "turned misses s " << s << " t " << t;
            }
        EXPECT_LE(area(upright), c.mostShare + 1e-9);
        EXPECT_NEAR(outline.upright.share, area(upright), 1e-6);
        // Turned rectangles keep apart; upright ones may share edges but never overlap.
        for (std::size_t i = 0; i < turned.size(); ++i)
            for (std::size_t j = i + 1; j < turned.size(); ++j)
                EXPECT_TRUE(turned[i].top < turned[j].bottom || turned[j].top < turned[i].bottom);
        for (std::size_t i = 0; i < upright.size(); ++i)
            for (std::size_t j = i + 1; j < upright.size(); ++j)
                EXPECT_TRUE(upright[i].top <= upright[j].bottom || upright[j].top <= upright[i].bottom ||
                            upright[i].right <= upright[j].left || upright[j].right <= upright[i].left);
    }
}

TEST(QuadOutline, OpaqueAndUnknownPicturesKeepTheWholeQuad) {
    const float offset[2] = {0, 0}, scale[2] = {1, 1};
    const std::vector<unsigned char> grey(16, 200), rgb(48, 10);
    std::vector<unsigned char> solid(64, 255), almost(64, 255);
    almost[63] = 254;
    struct Expect {
        const char* name;
        PictureCoverage coverage;
        bool measured, opaque;
    };
    const Expect expectations[] = {
        {"grey", measureCoverage(grey.data(), 4, 4, 1), true, true},
        {"colour without alpha", measureCoverage(rgb.data(), 4, 4, 3), true, true},
        {"alpha 255 everywhere", measureCoverage(solid.data(), 4, 4, 4), true, true},
        {"one texel at 254", measureCoverage(almost.data(), 4, 4, 4), true, false},
        {"grey with alpha", measureCoverage(grey.data(), 4, 2, 2), false, false},
        {"no pixels", measureCoverage(nullptr, 4, 4, 4), false, false},
    };
    for (const Expect& e : expectations) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.coverage.measured, e.measured);
        EXPECT_EQ(e.coverage.opaque, e.opaque);
        const QuadOutline outline = outlineQuad(e.coverage, offset, scale, 1600);
        EXPECT_TRUE(outline.whole);
        EXPECT_EQ(outline.opaque, e.opaque);
    }
}

// Texel positions are counted in int: a texture offset far out on a picture
// as wide as a texture may be would not fit, and the quad is then drawn whole
// (clang's float-cast-overflow check sees the cast).
TEST(QuadOutline, FarOffsetsOnAWidePictureKeepTheWholeQuad) {
    constexpr int wide = 16384;
    std::vector<unsigned char> rgba(static_cast<std::size_t>(wide) * 2 * 4, 0);
    rgba[8000 * 4 + 3] = 255;
    const PictureCoverage coverage = measureCoverage(rgba.data(), wide, 2, 4);
    const struct {
        float offset[2];
        bool whole;
    } cases[] = {{{1e6f, 0}, true}, {{-1e6f, 0}, true}, {{0, 5e5f}, false}, {{4e4f, 0}, true}, {{1000, 0}, false}};
    const float scale[2] = {1, 1};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.offset[0]) + ", " + std::to_string(c.offset[1]));
        EXPECT_EQ(outlineQuad(coverage, c.offset, scale, 1600).whole, c.whole);
    }
}

// Outlines of the game's own pictures, as the game draws them, and of noisy
// pictures with odd sizes, under texture matrices that shift, mirror and
// repeat: every corner and share the same as the texel-by-texel outline's.
TEST(QuadOutline, QuickOutlineIsTheTexelByTexelOne) {
    struct Picture {
        std::string name;
        int width, height;
        std::vector<unsigned char> rgba;
    };
    std::vector<Picture> pictures;
    for (const char* name :
         {"img/bg.tga", "img/teeth.tga", "img/bacteria.tga", "img/brush.tga", "img/drill.tga", "img/food.tga"}) {
        TargaImage image;
        ASSERT_TRUE(readTarga(image, name)) << name;
        ASSERT_EQ(image.bitsPerPixel, 32) << name;
        const std::size_t bytes = static_cast<std::size_t>(image.imageWidth) * image.imageHeight * 4;
        pictures.push_back({name, image.imageWidth, image.imageHeight, {image.pixels, image.pixels + bytes}});
        std::free(image.pixels);
    }
    // Blobs of every alpha class over a clear ground, some across the edges,
    // widths that are not whole multiples of eight texels.
    unsigned int state = 7;
    auto next = [&state](int below) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 8) % static_cast<unsigned int>(below));
    };
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{37, 53}, {64, 64}, {101, 29}, {5, 9}}) {
        Picture p{"noise " + std::to_string(width) + "x" + std::to_string(height), width, height, {}};
        p.rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
        for (int blob = 0; blob < 6; ++blob) {
            const int x0 = next(width), y0 = next(height), w = 1 + next(width / 2 + 1), h = 1 + next(height / 2 + 1);
            const int alpha = blob % 3 == 0 ? 255 : blob % 3 == 1 ? 1 + next(254) : -1;
            for (int y = y0; y < y0 + h; ++y)
                for (int x = x0; x < x0 + w; ++x)
                    p.rgba[((static_cast<std::size_t>(y % height) * width) + x % width) * 4 + 3] =
                        static_cast<unsigned char>(alpha >= 0 ? alpha : next(256));
        }
        pictures.push_back(std::move(p));
    }
    struct Matrix {
        float offset[2], scale[2];
    };
    std::vector<Matrix> matrices = {{{0, 0}, {1, 1}},
                                    {{0.25f, -0.5f}, {0.5f, 0.75f}},
                                    {{1, 1}, {-1, -1}},
                                    {{-3.3f, 7.1f}, {2, 1.5f}},
                                    {{0.1f, 0.9f}, {-0.3f, 2}}};
    for (const ToothLayout& layout : toothLayouts)
        matrices.push_back({{static_cast<float>(layout.atlasColumn) / 6, static_cast<float>(layout.atlasRow) * 0.5f},
                            {1.0f / 6, (static_cast<float>(layout.height) / static_cast<float>(layout.width)) / 6}});
    int compared = 0, trimmed = 0;
    for (const Picture& p : pictures) {
        const PictureCoverage coverage = measureCoverage(p.rgba.data(), p.width, p.height, 4);
        for (const Matrix& matrix : matrices)
            for (double area : {1600.0, 6000.0, 150000.0}) {
                SCOPED_TRACE(p.name + " offset " + std::to_string(matrix.offset[0]) + "," +
                             std::to_string(matrix.offset[1]) + " area " + std::to_string(area));
                // As sprites make them: the turned rectangles when first needed.
                QuadOutline quick = outlineQuad(coverage, matrix.offset, matrix.scale, area, false);
                addTurnedOutline(quick, coverage, matrix.offset, matrix.scale, area);
                const QuadOutline plain =
                    referenceOutline(p.rgba.data(), p.width, p.height, matrix.offset, matrix.scale, area);
                ASSERT_EQ(quick.whole, plain.whole);
                ASSERT_EQ(quick.opaque, plain.opaque);
                for (const auto& [mine, theirs] :
                     {std::pair{&quick.upright, &plain.upright}, std::pair{&quick.turned, &plain.turned}}) {
                    ASSERT_EQ(mine->corners.size(), theirs->corners.size());
                    EXPECT_TRUE(mine->corners.empty() || std::memcmp(mine->corners.data(), theirs->corners.data(),
                                                                     mine->corners.size() * sizeof(OutlinePoint)) == 0);
                    EXPECT_EQ(mine->share, theirs->share);
                }
                ++compared;
                trimmed += quick.whole ? 0 : 1;
            }
    }
    // The comparison must have met real trimming, not only whole quads.
    EXPECT_GT(trimmed, compared / 3);
}

}  // namespace
