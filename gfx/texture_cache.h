// Shared textures: every picture is loaded once and handed out as a counted
// TextureHandle. The cache is keyed by the address of the name text, not its
// characters, so callers pass string constants from one place.
#pragma once
#include <map>

#include "gfx/texture_handle.h"

using TextureCache = std::map<const char*, TextureHandle*>;
extern TextureCache textureCache;

// One more reference to the picture, loading it on first use; null when the
// name has no extension a loader understands (.raw, .tga, .png, exact case).
TextureHandle* loadTexture(const char* fileName);

// Gives one reference back; the last one deletes the texture and the handle.
void releaseTexture(TextureHandle* handle);

// For a window about to close, while its OpenGL context is still current:
// deletes every OpenGL object the pictures and sprites hold (textures, the
// quads' display lists, kept copies). From then on releasing a picture frees
// the handle alone, so whatever is destroyed after the context has gone makes
// no OpenGL call. resetSpriteState, for a fresh context, ends that.
void releaseGlObjects();
