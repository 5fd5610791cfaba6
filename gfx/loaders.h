// The three picture loaders behind loadTexture. Each fills the handle's
// glName (0 when the file cannot be read) and returns it.
#pragma once
#include "gfx/texture_handle.h"

unsigned int loadRawTexture(TextureHandle& handle, const char* fileName);
unsigned int loadTgaTexture(TextureHandle& handle, const char* fileName);
unsigned int loadPngTexture(TextureHandle& handle, const char* fileName);

// A picture the program makes itself and may hand over after the game asks
// for it (the page draws the brush and the pause sign after its first frame).
// While it is coming, a handle asked for it is left without a texture and
// nothing is said; pictureCame ends the wait before the picture is loaded.
// pictureNotComing ends it too, and says the usual "not found" line, once, if
// a handle asked for the picture meanwhile.
void expectPicture(const char* fileName);
void pictureCame(const char* fileName);
void pictureNotComing(const char* fileName);
