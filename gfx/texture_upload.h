// Hands a decoded pixel block to OpenGL as the handle's texture.
#pragma once
#include "gfx/texture_handle.h"

// channels is 1 (grey), 3 (RGB) or 4 (RGBA); anything else makes a texture
// object without an image and says so. Returns the handle's glName.
unsigned int uploadTexture(TextureHandle& handle, const unsigned char* pixels, int width, int height, int channels);
