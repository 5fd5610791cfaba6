// Pictures drawn for real (Mesa, offscreen): a Targa stored bottom row first
// and a PNG of the same picture must both show upright, in the same colours,
// on a sprite filling the view.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "replay/offscreen_context.h"
#include "gfx/sprite.h"
#include "gfx/texture_cache.h"
#include "tests/temp_files.h"

namespace {

constexpr int viewSide = 64;
constexpr int pictureSide = 4;

// One colour per quadrant, R, G, B, as seen upright.
const unsigned char topLeft[3] = {220, 30, 30};
const unsigned char topRight[3] = {30, 200, 40};
const unsigned char bottomLeft[3] = {40, 50, 230};
const unsigned char bottomRight[3] = {240, 220, 20};

const unsigned char* quadrantColour(int x, int y) {
    bool left = x < pictureSide / 2;
    bool top = y < pictureSide / 2;
    return top ? (left ? topLeft : topRight) : (left ? bottomLeft : bottomRight);
}

// 24-bit uncompressed Targa, bottom row first as Targa files usually are.
Bytes targaPicture() {
    Bytes out{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, pictureSide, 0, pictureSide, 0, 24, 0};
    for (int y = pictureSide - 1; y >= 0; --y)
        for (int x = 0; x < pictureSide; ++x) {
            const unsigned char* c = quadrantColour(x, y);
            out.insert(out.end(), {c[2], c[1], c[0]});
        }
    return out;
}

void writePng(const std::string& name) {
    std::FILE* file = std::fopen(name.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        FAIL() << "libpng could not write the picture";
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, pictureSide, pictureSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < pictureSide; ++y) {
        Bytes row;
        for (int x = 0; x < pictureSide; ++x) {
            const unsigned char* c = quadrantColour(x, y);
            row.insert(row.end(), c, c + 3);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// One context for the whole program, never torn down: closing Mesa unloads its
// driver, and the driver's own leftovers then show as leaks nobody can name.
OffscreenContext* sharedContext() {
    static OffscreenContext* context = createOffscreenContext(viewSide, viewSide);
    return context;
}

class Rendering : public testing::Test {
protected:
    void SetUp() override {
        context = sharedContext();
        ASSERT_NE(context, nullptr) << "no offscreen OpenGL context";
        resetSpriteState();
    }

    // Draws the picture on a sprite that fills the view; returns the view's
    // pixels, RGBA, top row first.
    Bytes draw(const std::string& fileName) {
        glClearColor(0.5f, 0.5f, 0.5f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-0.5, 0.5, -0.5, 0.5, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        Sprite sprite;
        initSprite(sprite);
        sprite.texture = loadTexture(fileName.c_str());
        EXPECT_NE(sprite.texture, nullptr);
        if (sprite.texture) {
            EXPECT_NE(sprite.texture->glName, 0u);
        }
        drawSprite(sprite);
        finishOffscreenFrame(context);
        destroySprite(sprite);
        int width = 0, height = 0;
        Bytes pixels = readOffscreenPixels(context, width, height);
        EXPECT_EQ(width, viewSide);
        EXPECT_EQ(height, viewSide);
        return pixels;
    }

    TempFolder folder;
    OffscreenContext* context = nullptr;
};

// Samples the middle of each quadrant of the view.
void expectUprightQuadrants(const Bytes& pixels) {
    struct Probe {
        int x, y;
        const unsigned char* colour;
        const char* where;
    };
    const int nearSide = viewSide / 4, farSide = viewSide * 3 / 4;
    for (const Probe& p :
         {Probe{nearSide, nearSide, topLeft, "top left"}, Probe{farSide, nearSide, topRight, "top right"},
          Probe{nearSide, farSide, bottomLeft, "bottom left"}, Probe{farSide, farSide, bottomRight, "bottom right"}}) {
        const unsigned char* px = &pixels[(static_cast<std::size_t>(p.y) * viewSide + p.x) * 4];
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(px[channel], p.colour[channel], 2) << p.where << ", channel " << channel;
    }
}

TEST_F(Rendering, TargaAndPngOfOnePictureBothShowUprightAndAlike) {
    // The cache knows pictures by the address of their name: keep the names.
    const std::string targaName = folder.file("quadrants.tga");
    const std::string pngName = folder.file("quadrants.png");
    writeFile(targaName, targaPicture());
    writePng(pngName);

    Bytes fromTarga = draw(targaName);
    {
        SCOPED_TRACE("Targa");
        expectUprightQuadrants(fromTarga);
    }
    Bytes fromPng = draw(pngName);
    {
        SCOPED_TRACE("PNG");
        expectUprightQuadrants(fromPng);
    }
    EXPECT_TRUE(fromTarga == fromPng) << "the two pictures drew differently";
    EXPECT_TRUE(textureCache.empty());
}

}  // namespace
