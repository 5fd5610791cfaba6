// Noting sprites: each one's transform is on OpenGL's matrix stack and read
// back, so the rectangle is worked out from the very matrices the quad would
// be drawn with, signs and views of any kind included.
#include "gfx/sprite_log.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

SpriteLog* spriteLog = nullptr;

namespace {

// Four bytes at a time: a swarm's thousand sprites are hashed every frame.
std::uint64_t hashBytes(const void* data, std::size_t size, std::uint64_t hash) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        std::uint32_t word;
        std::memcpy(&word, bytes + i, 4);
        hash = (hash ^ word) * 1099511628211ull;
    }
    for (; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// The window pixels the unit quad can touch under these matrices, within the
// viewport. A corner behind the eye gives the whole viewport.
PixelRect reachedPixels(const float* mv, const float* pr, const int* vp) {
    const PixelRect all{vp[0], vp[1], vp[0] + vp[2], vp[1] + vp[3]};
    double low[2] = {1e30, 1e30}, high[2] = {-1e30, -1e30};
    for (int corner = 0; corner < 4; ++corner) {
        const double v[4] = {corner & 1 ? 0.5 : -0.5, corner & 2 ? 0.5 : -0.5, 0, 1};
        double eye[4], clip[4];
        for (int r = 0; r < 4; ++r) eye[r] = mv[r] * v[0] + mv[4 + r] * v[1] + mv[8 + r] * v[2] + mv[12 + r] * v[3];
        for (int r = 0; r < 4; ++r)
            clip[r] = pr[r] * eye[0] + pr[4 + r] * eye[1] + pr[8 + r] * eye[2] + pr[12 + r] * eye[3];
        if (!(clip[3] > 1e-6)) return all;
        for (int axis = 0; axis < 2; ++axis) {
            const double window = vp[axis] + (clip[axis] / clip[3] + 1) * 0.5 * vp[axis + 2];
            if (!std::isfinite(window)) return all;
            low[axis] = std::min(low[axis], window);
            high[axis] = std::max(high[axis], window);
        }
    }
    // Outside the viewport nothing is drawn; a pixel spare on each side covers
    // the rounding of edges that fall on pixel centres.
    const auto clampTo = [](double value, int from, int to) {
        return static_cast<int>(std::max<double>(from, std::min<double>(to, value)));
    };
    PixelRect rect{clampTo(std::floor(low[0]) - 1, all.x0, all.x1), clampTo(std::floor(low[1]) - 1, all.y0, all.y1),
                   clampTo(std::ceil(high[0]) + 1, all.x0, all.x1), clampTo(std::ceil(high[1]) + 1, all.y0, all.y1)};
    return rect;
}

}  // namespace

PixelRect rectUnion(const PixelRect& a, const PixelRect& b) {
    if (emptyRect(a)) return b;
    if (emptyRect(b)) return a;
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

bool sameLook(const LoggedSprite& a, const LoggedSprite& b) {
    return a.hash == b.hash && a.texture == b.texture && a.glName == b.glName &&
           std::memcmp(a.look, b.look, sizeof a.look) == 0;
}

void noteQuad(SpriteLog& log, const QuadLook& quad) {
    LoggedSprite logged;
    float* look = logged.look;
    glGetFloatv(GL_MODELVIEW_MATRIX, look);
    glGetFloatv(GL_PROJECTION_MATRIX, look + 16);
    int viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (int i = 0; i < 4; ++i) look[32 + i] = static_cast<float>(viewport[i]), look[36 + i] = quad.tint[i];
    look[40] = quad.texOffset[0], look[41] = quad.texOffset[1];
    look[42] = quad.texScale[0], look[43] = quad.texScale[1];
    look[44] = quad.useTexMatrix ? 1.0f : 0.0f;
    look[45] = quad.blend ? 1.0f : 0.0f;
    logged.texture = quad.texture;
    logged.glName = quad.glName;
    std::uint64_t hash = hashBytes(look, sizeof logged.look, 14695981039346656037ull);
    hash = hashBytes(&logged.texture, sizeof logged.texture, hash);
    logged.hash = hashBytes(&logged.glName, sizeof logged.glName, hash);
    logged.rect = reachedPixels(look, look + 16, viewport);
    log.sprites.push_back(logged);
}

bool partReachesNext(SpriteLog& log) {
    const std::size_t index = log.next++;
    if (index < log.first || index >= log.end) return false;
    // A sprite the measured frame did not have is drawn wherever it falls.
    return index >= log.sprites.size() || rectsOverlap(log.sprites[index].rect, log.part);
}
