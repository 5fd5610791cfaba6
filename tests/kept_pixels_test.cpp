// The kept pixels of an opaque sprite, drawn for real (Mesa, offscreen): each
// scene drawn without keeping, then three times with, must give the same bytes,
// into a framebuffer object and into a default framebuffer (a pbuffer), whose
// rows are stored the other way up, as a window's are.
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

}  // namespace
