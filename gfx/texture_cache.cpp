// Texture cache and reference counting. A failed load is cached like a good
// one: it is not retried until its last holder lets go.
#include "gfx/texture_cache.h"

#include <GL/gl.h>

#include <cstring>

#include "gfx/gl_state.h"
#include "gfx/loaders.h"

TextureCache textureCache;

namespace {
using Loader = unsigned int (*)(TextureHandle&, const char*);

Loader loaderFor(const char* fileName) {
    const char* dot = std::strrchr(fileName, '.');
    if (!dot) return nullptr;
    // The extension must be the whole rest of the name, in exactly this case.
    if (std::strcmp(dot, ".raw") == 0) return loadRawTexture;
    if (std::strcmp(dot, ".tga") == 0) return loadTgaTexture;
    if (std::strcmp(dot, ".png") == 0) return loadPngTexture;
    return nullptr;
}
}  // namespace

TextureHandle* loadTexture(const char* fileName) {
    auto found = textureCache.find(fileName);
    if (found != textureCache.end()) {
        found->second->refCount += 1;
        return found->second;
    }
    Loader loader = loaderFor(fileName);
    if (!loader) return nullptr;
    auto* handle = new TextureHandle{0, 1, fileName};
    loader(*handle, fileName);
    textureCache[fileName] = handle;
    return handle;
}

void releaseTexture(TextureHandle* handle) {
    if (!handle) return;
    handle->refCount -= 1;
    if (handle->refCount > 0) return;
    textureCache.erase(handle->key);
    if (!glObjectsReleased) {
        // A bound texture that is deleted leaves no texture bound.
        glDeleteTextures(1, &handle->glName);
        forgetBoundTexture();
        deleteSpriteShapes(handle->shapes);
        deleteKeptPixels(handle->kept);
    }
    delete handle;
}

void releaseGlObjects() {
    for (auto& [key, handle] : textureCache) {
        if (handle->glName != 0) glDeleteTextures(1, &handle->glName);
        handle->glName = 0;
        deleteSpriteShapes(handle->shapes);
        deleteKeptPixels(handle->kept);
    }
    if (quadList != 0) glDeleteLists(quadList, 1);
    quadList = 0;
    forgetBoundTexture();
    glObjectsReleased = true;
}
