// Sprites: one textured, tinted, transformed unit quad each. drawSprite skips
// texture, blend and texture-environment calls that would repeat the setting
// it applied last, draws only the part of the quad its picture can show,
// opaque pictures unblended, and white-tinted ones from the texel alone, and
// flushes every few hundred sprites so that the renderer starts early.
#pragma once
#include "gfx/gl_state.h"
#include "gfx/texture_cache.h"

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

struct Sprite {
    Vec3 position;
    Vec3 offset;
    Vec3 scale{1, 1, 1};
    float angle = 0;
    float color[4] = {1, 1, 1, 1};
    bool blend = true;
    float texOffset[2] = {0, 0};
    float texScale[2] = {1, 1};
    bool useTexMatrix = false;
    TextureHandle* texture = nullptr;
};

// Every sprite drawn as its whole quad, blended as it says and tinted, every
// frame, as the game drew before it trimmed its quads, kept the mouth's pixels,
// took white-tinted texels alone and flushed every few hundred sprites: for
// comparing the two. Starts true when
// the environment variable VELMORA_WHOLE_QUADS is set to anything but "0".
extern bool wholeQuads;

// Puts the defaults in place and builds the shared quad the first time; needs
// the OpenGL context.
void initSprite(Sprite& sprite);
void createQuadList();
void drawSprite(const Sprite& sprite);
// Gives back the sprite's texture reference (the pointer is left as it is).
void destroySprite(Sprite& sprite);

// Forgets the quad list and the remembered texture, blend and environment
// settings, for a fresh OpenGL context.
void resetSpriteState();
