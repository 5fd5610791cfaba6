// Where each sprite of a frame lands in the window and everything that
// decides its pixels there, so two frames can be compared sprite by sprite and
// only the rectangles that changed drawn again. While a log is open drawSprite
// either only notes each sprite (measuring a frame) or draws just the sprites
// that reach the part of the window being drawn.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Window pixels as OpenGL counts them (rows from the bottom); x1 and y1 lie
// one past the last column and row.
struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
inline bool emptyRect(const PixelRect& r) { return r.x1 <= r.x0 || r.y1 <= r.y0; }
inline long long rectArea(const PixelRect& r) {
    return emptyRect(r) ? 0 : static_cast<long long>(r.x1 - r.x0) * (r.y1 - r.y0);
}
inline bool rectsOverlap(const PixelRect& a, const PixelRect& b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}
PixelRect rectUnion(const PixelRect& a, const PixelRect& b);

// Matrices, viewport, tint, texture matrix and blending: with the same picture,
// two sprites alike in all of these paint the same pixels over the same ground.
constexpr int spriteLookFloats = 16 + 16 + 4 + 4 + 4 + 2;
struct LoggedSprite {
    float look[spriteLookFloats] = {};
    const void* texture = nullptr;  // the handle, and its OpenGL name
    unsigned int glName = 0;
    std::uint64_t hash = 0;  // of all the above
    PixelRect rect;          // every pixel the quad can reach, with a pixel to spare
};
bool sameLook(const LoggedSprite& a, const LoggedSprite& b);

enum class SpriteLogMode { Measure, DrawPart };
struct SpriteLog {
    SpriteLogMode mode = SpriteLogMode::Measure;
    std::vector<LoggedSprite> sprites;  // in drawing order
    std::size_t next = 0;               // drawing a part: the sprite met next
    PixelRect part;
    std::size_t first = 0, end = SIZE_MAX;  // the sprites drawn, by their place in the order
};

// The log drawSprite consults; null when frames are drawn whole.
extern SpriteLog* spriteLog;

// What drawSprite tells the log, before it touches any OpenGL state. Measuring,
// noteQuad reads the current matrices and viewport, the sprite's transform
// applied, and keeps them with the rest of its look. Drawing a part,
// partReachesNext says whether the next sprite reaches it.
struct QuadLook {
    const float* tint;
    const float* texOffset;
    const float* texScale;
    bool useTexMatrix;
    bool blend;
    const void* texture;
    unsigned int glName;
};
void noteQuad(SpriteLog& log, const QuadLook& quad);
bool partReachesNext(SpriteLog& log);
