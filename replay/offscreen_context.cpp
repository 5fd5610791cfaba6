// Surfaceless EGL with desktop OpenGL (compatibility profile, for the fixed
// function pipeline) rendering into a framebuffer object.
#define GL_GLEXT_PROTOTYPES 1
#include "replay/offscreen_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>

struct OffscreenContext {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint framebuffer = 0;
    GLuint colorBuffer = 0;
    GLuint depthBuffer = 0;
    int width = 0;
    int height = 0;
};

namespace {

EGLDisplay openSurfacelessDisplay() {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay) {
        EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY) return display;
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

void makeTargets(OffscreenContext& c) {
    glGenFramebuffers(1, &c.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, c.framebuffer);
    glGenRenderbuffers(1, &c.colorBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, c.colorBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, c.width, c.height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, c.colorBuffer);
    glGenRenderbuffers(1, &c.depthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, c.depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, c.width, c.height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, c.depthBuffer);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
}

void dropTargets(OffscreenContext& c) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &c.colorBuffer);
    glDeleteRenderbuffers(1, &c.depthBuffer);
    glDeleteFramebuffers(1, &c.framebuffer);
}

}  // namespace

OffscreenContext* createOffscreenContext(int width, int height) {
    auto* c = new OffscreenContext;
    c->width = width;
    c->height = height;
    c->display = openSurfacelessDisplay();
    EGLint major = 0, minor = 0;
    if (c->display == EGL_NO_DISPLAY || !eglInitialize(c->display, &major, &minor)) {
        std::fprintf(stderr, "offscreen: no EGL display\n");
        delete c;
        return nullptr;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        std::fprintf(stderr, "offscreen: EGL has no desktop OpenGL\n");
        eglTerminate(c->display);
        delete c;
        return nullptr;
    }
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    eglChooseConfig(c->display, configAttributes, &config, 1, &count);
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                        EGL_NONE};
    c->context =
        eglCreateContext(c->display, count > 0 ? config : EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, contextAttributes);
    if (c->context == EGL_NO_CONTEXT || !eglMakeCurrent(c->display, EGL_NO_SURFACE, EGL_NO_SURFACE, c->context)) {
        std::fprintf(stderr, "offscreen: cannot make an OpenGL context (EGL error 0x%x)\n", eglGetError());
        eglTerminate(c->display);
        delete c;
        return nullptr;
    }
    makeTargets(*c);
    glViewport(0, 0, width, height);
    return c;
}

void destroyOffscreenContext(OffscreenContext* c) {
    if (!c) return;
    dropTargets(*c);
    eglMakeCurrent(c->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(c->display, c->context);
    eglTerminate(c->display);
    eglReleaseThread();
    delete c;
}

void resizeOffscreen(OffscreenContext* c, int width, int height) {
    if (!c || (width == c->width && height == c->height)) return;
    dropTargets(*c);
    c->width = width;
    c->height = height;
    makeTargets(*c);
}

void finishOffscreenFrame(OffscreenContext*) { glFinish(); }

std::vector<unsigned char> readOffscreenPixels(OffscreenContext* c, int& width, int& height) {
    width = c->width;
    height = c->height;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    std::vector<unsigned char> bottomUp(rowBytes * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<unsigned char> topDown(bottomUp.size());
    for (int row = 0; row < height; ++row)
        std::memcpy(&topDown[row * rowBytes], &bottomUp[(height - 1 - row) * rowBytes], rowBytes);
    return topDown;
}

const char* offscreenRenderer() { return reinterpret_cast<const char*>(glGetString(GL_RENDERER)); }
