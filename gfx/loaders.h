// The three picture loaders behind loadTexture. Each fills the handle's
// glName (0 when the file cannot be read) and returns it.
#pragma once
#include "gfx/texture_handle.h"

unsigned int loadRawTexture(TextureHandle& handle, const char* fileName);
unsigned int loadTgaTexture(TextureHandle& handle, const char* fileName);
unsigned int loadPngTexture(TextureHandle& handle, const char* fileName);
