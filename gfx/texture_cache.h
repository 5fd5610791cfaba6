// Shared textures: every picture is loaded once and handed out as a counted
// TextureHandle. The cache is keyed by the address of the name text, not its
// characters, so callers pass string constants from one place.
#pragma once
#include <map>

struct TextureHandle {
    unsigned int glName = 0;
    int refCount = 1;
    const char* key = nullptr;
};

using TextureCache = std::map<const char*, TextureHandle*>;
extern TextureCache textureCache;

// One more reference to the picture, loading it on first use; null when the
// name has no extension a loader understands (.raw, .tga, .png, exact case).
TextureHandle* loadTexture(const char* fileName);

// Gives one reference back; the last one deletes the texture and the handle.
void releaseTexture(TextureHandle* handle);
