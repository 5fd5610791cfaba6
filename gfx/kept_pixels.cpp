// Kept pixels: the window rectangle an upright quad covers is worked out from
// the current matrices and viewport, and the copy goes to and from a
// framebuffer of its own by blitting. The software renderer blits as a plain
// copy of rows only between buffers of one layout, and converts every pixel
// otherwise. A window's buffer on X has its top row first and blue first, a
// framebuffer of ours its bottom row first and red first; so a copy of window
// pixels is held in BGRA and upside down, and blitted flipped both ways.
#define GL_GLEXT_PROTOTYPES
#include "gfx/kept_pixels.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx/sprite_log.h"

bool keepOpaquePixels = true;

namespace {

enum class Support { Unknown, Offered, Missing };
Support framebufferSupport = Support::Unknown;

bool hasExtension(const char* extensions, const char* name) {
    const std::size_t length = std::strlen(name);
    for (const char* at = extensions; at && (at = std::strstr(at, name)) != nullptr; at += length)
        if ((at == extensions || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) return true;
    return false;
}

bool framebuffersOffered() {
    if (framebufferSupport == Support::Unknown) {
        const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        const bool offered =
            (version && std::atoi(version) >= 3) || hasExtension(extensions, "GL_ARB_framebuffer_object");
        framebufferSupport = offered ? Support::Offered : Support::Missing;
    }
    return framebufferSupport == Support::Offered;
}

// Errors left from earlier calls would be taken for the blit's own. A driver
// holds at most a few, one of each kind.
void clearGlErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

constexpr int keyFloats = 40;
// Vertices are snapped to a fraction of a pixel; an edge this near a pixel
// centre could fall either side of it.
constexpr double edgeMargin = 1.0 / 64;

struct WindowRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The pixels whose centres lie inside the unit quad under these matrices,
// within the viewport; false unless the quad lies upright in an orthographic
// view with every edge clear of pixel centres.
bool coveredPixels(const float* mv, const float* pr, const int* vp, WindowRect& rect) {
    const bool upright = mv[1] == 0 && mv[4] == 0 && mv[3] == 0 && mv[7] == 0 && mv[11] == 0 && mv[15] == 1;
    const bool flat =
        pr[1] == 0 && pr[4] == 0 && pr[8] == 0 && pr[9] == 0 && pr[3] == 0 && pr[7] == 0 && pr[11] == 0 && pr[15] == 1;
    if (!upright || !flat || vp[2] <= 0 || vp[3] <= 0) return false;
    int first[2], end[2];
    for (int axis = 0; axis < 2; ++axis) {
        const double scale = axis == 0 ? mv[0] : mv[5];
        const double move = axis == 0 ? mv[12] : mv[13];
        const double project = axis == 0 ? pr[0] : pr[5];
        const double shift = axis == 0 ? pr[12] : pr[13];
        double edge[2];
        for (int side = 0; side < 2; ++side) {
            const double eye = scale * (side ? 0.5 : -0.5) + move;
            const double ndc = project * eye + shift;
            edge[side] = vp[axis] + (ndc + 1) * 0.5 * vp[axis + 2];
            const double past = edge[side] - 0.5 - std::floor(edge[side] - 0.5);
            if (!std::isfinite(edge[side]) || past < edgeMargin || past > 1 - edgeMargin) return false;
        }
        const double low = std::min(edge[0], edge[1]), high = std::max(edge[0], edge[1]);
        first[axis] = std::max(static_cast<int>(std::ceil(low - 0.5)), vp[axis]);
        end[axis] = std::min(static_cast<int>(std::ceil(high - 0.5)), vp[axis] + vp[axis + 2]);
        if (end[axis] <= first[axis]) return false;
    }
    rect = {first[0], first[1], end[0], end[1]};
    return true;
}

bool makeFramebuffer(KeptPixels& kept, int width, int height, bool forWindow) {
    if (kept.framebuffer != 0 && kept.width == width && kept.height == height && kept.forWindow == forWindow)
        return true;
    deleteKeptPixels(kept);
    GLint drawn = 0, texture = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawn);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    glGenFramebuffers(1, &kept.framebuffer);
    glGenTextures(1, &kept.colorTexture);
    glBindTexture(GL_TEXTURE_2D, kept.colorTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // With an unsized format the driver stores texels in the order of the data.
    const GLenum order = forWindow ? GL_BGRA : GL_RGBA;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, order, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, kept.framebuffer);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, kept.colorTexture, 0);
    const bool complete = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawn));
    if (!complete) {
        deleteKeptPixels(kept);
        return false;
    }
    kept.width = width;
    kept.height = height;
    kept.forWindow = forWindow;
    return true;
}

}  // namespace

bool drawKeptPixels(KeptPixels& kept, const float color[4], unsigned int quadList) {
    if (kept.unavailable || !framebuffersOffered()) return false;
    float key[keyFloats] = {};
    int viewport[4] = {};
    glGetFloatv(GL_MODELVIEW_MATRIX, key);
    glGetFloatv(GL_PROJECTION_MATRIX, key + 16);
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (int i = 0; i < 4; ++i) key[32 + i] = static_cast<float>(viewport[i]), key[36 + i] = color[i];
    WindowRect rect;
    if (!coveredPixels(key, key + 16, viewport, rect)) return false;

    GLint drawn = 0, read = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawn);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
    const int width = rect.x1 - rect.x0, height = rect.y1 - rect.y0;
    if (kept.valid && kept.x == rect.x0 && kept.y == rect.y0 && kept.width == width && kept.height == height &&
        std::memcmp(key, kept.madeFor, sizeof key) == 0) {
        // Drawing one part of a frame, only that part is copied, with the
        // scissor off: under a scissor the software renderer copies by
        // drawing, pixel by pixel, instead of row by row.
        WindowRect to = rect;
        const bool inPart = spriteLog && spriteLog->mode == SpriteLogMode::DrawPart;
        if (inPart) {
            to = {std::max(rect.x0, spriteLog->part.x0), std::max(rect.y0, spriteLog->part.y0),
                  std::min(rect.x1, spriteLog->part.x1), std::min(rect.y1, spriteLog->part.y1)};
            if (to.x1 <= to.x0 || to.y1 <= to.y0) return true;
            glDisable(GL_SCISSOR_TEST);
        }
        // Source rows of a window's copy run upside down.
        const int fromY0 = kept.forWindow ? height - (to.y0 - rect.y0) : to.y0 - rect.y0;
        const int fromY1 = kept.forWindow ? height - (to.y1 - rect.y0) : to.y1 - rect.y0;
        clearGlErrors();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, kept.framebuffer);
        glBlitFramebuffer(to.x0 - rect.x0, fromY0, to.x1 - rect.x0, fromY1, to.x0, to.y0, to.x1, to.y1,
                          GL_COLOR_BUFFER_BIT, GL_NEAREST);
        const bool copied = glGetError() == GL_NO_ERROR;
        if (inPart) glEnable(GL_SCISSOR_TEST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
        if (copied) {
            kept.timesUsed += 1;
            return true;
        }
        // What the failed copy left is drawn over; the picture is filtered
        // every frame from now on.
        deleteKeptPixels(kept);
        kept.unavailable = true;
        glCallList(quadList);
        return true;
    }

    glCallList(quadList);
    // Drawn in part, under a scissor, the quad left the rest of its rectangle
    // as it was, and a blit into the copy would be cut by the scissor too.
    if (spriteLog) return true;
    const bool drawnAlikeBefore = kept.drawnBefore && std::memcmp(key, kept.lastDrawnFor, sizeof key) == 0;
    std::memcpy(kept.lastDrawnFor, key, sizeof key);
    kept.drawnBefore = true;
    if (!drawnAlikeBefore) return true;
    if (!makeFramebuffer(kept, width, height, drawn == 0)) {
        kept.unavailable = true;
        return true;
    }
    clearGlErrors();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(drawn));
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, kept.framebuffer);
    const int top = kept.forWindow ? height : 0;
    glBlitFramebuffer(rect.x0, rect.y0, rect.x1, rect.y1, 0, top, width, height - top, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    const bool copied = glGetError() == GL_NO_ERROR;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawn));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
    if (!copied) {
        deleteKeptPixels(kept);
        kept.unavailable = true;
        return true;
    }
    kept.x = rect.x0;
    kept.y = rect.y0;
    std::memcpy(kept.madeFor, key, sizeof key);
    kept.valid = true;
    return true;
}

void deleteKeptPixels(KeptPixels& kept) {
    if (kept.framebuffer != 0) glDeleteFramebuffers(1, &kept.framebuffer);
    if (kept.colorTexture != 0) glDeleteTextures(1, &kept.colorTexture);
    kept.framebuffer = kept.colorTexture = 0;
    kept.width = kept.height = 0;
    kept.valid = false;
}

void forgetKeptPixelsSupport() { framebufferSupport = Support::Unknown; }
