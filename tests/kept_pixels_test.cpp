// The kept pixels of an opaque sprite, drawn for real (Mesa, offscreen): each
// scene drawn without keeping, then three times with, must give the same bytes,
// into a framebuffer object and into a default framebuffer (a pbuffer), whose
// rows are stored the other way up, as a window's are. And a kept copy stays
// right when a picture is loaded between two drawings of the mouth, and when
// copying it back fails.
#define GL_GLEXT_PROTOTYPES
#include "gfx/kept_pixels.h"

#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <string>

#include "replay/offscreen_context.h"
#include "gfx/sprite.h"
#include "gfx/texture_cache.h"
#include "tests/temp_files.h"

namespace {

constexpr int viewSide = 64;

// The context and a pbuffer the size of the view, made once and never torn
// down: closing Mesa unloads its driver, and the driver's own leftovers then
// show as leaks nobody can name.
OffscreenContext* sharedContext() {
    static OffscreenContext* context = createOffscreenContext(viewSide, viewSide);
    return context;
}

EGLSurface sharedPbuffer() {
    static EGLSurface surface = [] {
        if (!sharedContext()) return EGL_NO_SURFACE;
        const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                           EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        EGLDisplay display = eglGetCurrentDisplay();
        if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count == 0) return EGL_NO_SURFACE;
        const EGLint size[] = {EGL_WIDTH, viewSide, EGL_HEIGHT, viewSide, EGL_NONE};
        return eglCreatePbufferSurface(display, config, size);
    }();
    return surface;
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

// While it lives, drawing goes to the pbuffer's default framebuffer instead
// of the context's framebuffer object.
class WindowLikeTarget {
public:
    WindowLikeTarget() {
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebufferObject);
        if (sharedPbuffer() == EGL_NO_SURFACE || !eglMakeCurrent(display, sharedPbuffer(), sharedPbuffer(), context))
            return;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, viewSide, viewSide);
        ready = true;
    }
    ~WindowLikeTarget() {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebufferObject));
        glViewport(0, 0, viewSide, viewSide);
    }
    bool ready = false;

private:
    EGLDisplay display = eglGetCurrentDisplay();
    EGLContext context = eglGetCurrentContext();
    GLint framebufferObject = 0;
};

// The view's pixels, RGBA, from whichever framebuffer is bound.
Bytes readView() {
    Bytes pixels(static_cast<std::size_t>(viewSide) * viewSide * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, viewSide, viewSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

TEST(KeptPixels, OfAnOpaqueSpriteEqualDrawingItAgain) {
    ASSERT_NE(sharedContext(), nullptr) << "no offscreen OpenGL context";
    sharedPbuffer();
    resetSpriteState();
    TempFolder folder;
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

// The mouth as the game draws it, from its own picture, over the whole view.
struct Mouth {
    Sprite sprite;
    Mouth() {
        initSprite(sprite);
        sprite.texture = loadTexture("img/bg.tga");
        sprite.position = {32.375f, 32.375f, 0};
        sprite.scale = {60, 60, 1};
    }
    ~Mouth() { destroySprite(sprite); }
    Bytes draw() {
        glViewport(0, 0, viewSide, viewSide);
        glClearColor(0.5f, 0.5f, 0.5f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, viewSide, 0, viewSide, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        drawSprite(sprite);
        glFinish();
        return readView();
    }
};

// Loading a picture binds its texture behind drawSprite's back; a failed copy
// back must not leave the mouth undrawn. Each step against the mouth drawn
// without keeping pixels.
TEST(KeptPixels, StayRightWhenAPictureIsLoadedOrACopyFails) {
    ASSERT_NE(sharedContext(), nullptr) << "no offscreen OpenGL context";
    resetSpriteState();
    Mouth mouth;
    ASSERT_NE(mouth.sprite.texture, nullptr);
    ASSERT_NE(mouth.sprite.texture->glName, 0u);
    keepOpaquePixels = false;
    const Bytes right = mouth.draw();
    keepOpaquePixels = true;
    KeptPixels& kept = mouth.sprite.texture->kept;

    // Drawn, a picture loaded, drawn alike again (the copy is made from this
    // drawing), then from the copy.
    EXPECT_TRUE(mouth.draw() == right) << "first drawing";
    TextureHandle* food = loadTexture("img/food.tga");
    ASSERT_NE(food, nullptr);
    ASSERT_NE(food->glName, 0u);
    EXPECT_TRUE(mouth.draw() == right) << "drawn after the food was loaded";
    EXPECT_TRUE(kept.valid);
    EXPECT_TRUE(mouth.draw() == right) << "from the copy";
    EXPECT_EQ(kept.timesUsed, 1);
    releaseTexture(food);
    EXPECT_TRUE(mouth.draw() == right) << "after the food's texture was deleted";
    EXPECT_EQ(kept.timesUsed, 2);

    // The copy's framebuffer gone behind its back: the blit fails, the mouth
    // is filtered again, and kept pixels stay off for it.
    glDeleteFramebuffers(1, &kept.framebuffer);
    EXPECT_TRUE(mouth.draw() == right) << "the copy failed";
    EXPECT_TRUE(kept.unavailable);
    EXPECT_EQ(kept.framebuffer, 0u);
    for (int time = 0; time < 2; ++time) EXPECT_TRUE(mouth.draw() == right) << "after the failure " << time;
    EXPECT_EQ(kept.timesUsed, 2);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
