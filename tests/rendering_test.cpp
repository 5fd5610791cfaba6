// Pictures drawn for real (Mesa, offscreen): a Targa stored bottom row first
// and a PNG of the same picture must both show upright, in the same colours,
// on a sprite filling the view.
#define GL_GLEXT_PROTOTYPES
#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/offscreen_context.h"
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

// An opaque picture larger than its place on the screen, so every pixel is
// filtered from several texels: a kept copy that came back one pixel off, or
// was kept past a change of tint or view, shows at once.
Bytes noisePicture(int side) {
    Bytes out{
        0, 0,  2, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<unsigned char>(side), 0, static_cast<unsigned char>(side),
        0, 24, 0};
    unsigned int state = 12345;
    for (int i = 0; i < side * side * 3; ++i) {
        state = state * 1103515245u + 12345u;
        out.push_back(static_cast<unsigned char>(state >> 16));
    }
    return out;
}

struct Scene {
    int viewport[4];
    float x, y, side, angle;
    float tint[3];
};

// While it lives, drawing goes to the default framebuffer of a pbuffer, which
// like a window's holds its top row first, instead of the shared context's
// framebuffer object. The kept pixels are stored another way for it.
class WindowLikeTarget {
public:
    WindowLikeTarget() {
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebufferObject);
        const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                           EGL_PBUFFER_BIT,
                                           EGL_RENDERABLE_TYPE,
                                           EGL_OPENGL_BIT,
                                           EGL_RED_SIZE,
                                           8,
                                           EGL_GREEN_SIZE,
                                           8,
                                           EGL_BLUE_SIZE,
                                           8,
                                           EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count == 0) return;
        const EGLint size[] = {EGL_WIDTH, viewSide, EGL_HEIGHT, viewSide, EGL_NONE};
        surface = eglCreatePbufferSurface(display, config, size);
        if (surface == EGL_NO_SURFACE || !eglMakeCurrent(display, surface, surface, context)) return;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, viewSide, viewSide);
        ready = true;
    }
    ~WindowLikeTarget() {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
        if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebufferObject));
        glViewport(0, 0, viewSide, viewSide);
    }
    bool ready = false;

private:
    EGLDisplay display = eglGetCurrentDisplay();
    EGLContext context = eglGetCurrentContext();
    EGLSurface surface = EGL_NO_SURFACE;
    GLint framebufferObject = 0;
};

// The view's pixels, RGBA, from whichever framebuffer is bound.
Bytes readView() {
    Bytes pixels(static_cast<std::size_t>(viewSide) * viewSide * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, viewSide, viewSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

TEST_F(Rendering, KeptPixelsOfAnOpaqueSpriteEqualDrawingItAgain) {
    const std::string name = folder.file("noise.tga");
    writeFile(name, noisePicture(200));
    Sprite sprite;
    initSprite(sprite);
    sprite.texture = loadTexture(name.c_str());
    ASSERT_NE(sprite.texture, nullptr);

    auto drawScene = [&](const Scene& scene) {
        glClearColor(0.5f, 0.5f, 0.5f, 1);
        glViewport(0, 0, viewSide, viewSide);
        glClear(GL_COLOR_BUFFER_BIT);
        glViewport(scene.viewport[0], scene.viewport[1], scene.viewport[2], scene.viewport[3]);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, scene.viewport[2], 0, scene.viewport[3], -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        sprite.position = {scene.x, scene.y, 0};
        sprite.scale = {scene.side, scene.side, 1};
        sprite.angle = scene.angle;
        sprite.color[0] = scene.tint[0], sprite.color[1] = scene.tint[1], sprite.color[2] = scene.tint[2];
        drawSprite(sprite);
        glFinish();
        return readView();
    };
    // Each scene drawn without keeping pixels, then three times with.
    const Scene scenes[] = {
        {{0, 0, 64, 64}, 32.375f, 32.375f, 48, 0, {1, 1, 1}},
        {{0, 0, 64, 64}, 32.375f, 32.375f, 48, 0, {0.9f, 0.6f, 0.3f}},  // new tint
        {{8, 4, 48, 36}, 20.375f, 18.375f, 60, 0, {0.9f, 0.6f, 0.3f}},  // new view, larger than it
        {{0, 0, 64, 64}, 30.375f, 33.375f, 50, 0, {0.9f, 0.6f, 0.3f}},  // moved
        {{0, 0, 64, 64}, 32.5f, 32.5f, 48, 0, {1, 1, 1}},               // edges on pixel centres
        {{0, 0, 64, 64}, 32.375f, 32.375f, 40, 30, {1, 1, 1}},          // turned
    };
    auto drawAllScenes = [&] {
        int sceneNumber = 0;
        for (const Scene& scene : scenes) {
            SCOPED_TRACE("scene " + std::to_string(sceneNumber));
            keepOpaquePixels = false;
            const Bytes drawn = drawScene(scene);
            keepOpaquePixels = true;
            const long long usedBefore = sprite.texture->kept.timesUsed;
            for (int time = 0; time < 3; ++time) EXPECT_TRUE(drawScene(scene) == drawn) << "drawing " << time;
            // The first four lie upright over whole pixels: the second drawing
            // keeps a copy, the third comes from it. The others are never kept.
            EXPECT_EQ(sprite.texture->kept.timesUsed - usedBefore, sceneNumber < 4 ? 1 : 0);
            ++sceneNumber;
        }
    };
    {
        SCOPED_TRACE("framebuffer object");
        drawAllScenes();
    }
    {
        SCOPED_TRACE("default framebuffer");
        WindowLikeTarget window;
        ASSERT_TRUE(window.ready) << "no pbuffer (EGL error 0x" << std::hex << eglGetError() << ")";
        drawAllScenes();
        EXPECT_TRUE(sprite.texture->kept.forWindow);
    }
    destroySprite(sprite);
    EXPECT_TRUE(textureCache.empty());
}

}  // namespace
