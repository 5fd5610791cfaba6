// A picture as the game holds it: its OpenGL texture, how many hold it, and
// what the upload and the sprites learn about it. The loaders fill it, the
// texture cache counts it, the sprites draw from it.
#pragma once
#include <vector>

#include "gfx/kept_pixels.h"
#include "gfx/picture_coverage.h"
#include "gfx/sprite_shapes.h"

struct TextureHandle {
    // Made as {glName, refCount, key}; what the upload learns is added later.
    explicit TextureHandle(unsigned int name = 0, int references = 1, const char* fileName = nullptr)
        : glName(name), refCount(references), key(fileName) {}

    unsigned int glName = 0;
    int refCount = 1;
    const char* key = nullptr;
    PictureCoverage coverage;         // measured by the upload
    std::vector<SpriteShape> shapes;  // the quads its sprites are drawn with
    KeptPixels kept;                  // what its opaque sprite painted last
};
