// Run under Node.js with the browser build's PNG reader: a PNG picture that is
// there is refused with the game's "not found" line and leaves no texture.
// Prints what the loader said and the texture it left; the test compares.
#include <cstdio>

#include "gfx/loaders.h"

int main() {
    TextureHandle handle{};
    const unsigned int texture = loadPngTexture(handle, "img/picture.png");
    std::printf("texture %u\n", texture);
    return 0;
}
