// The game's pictures drawn in the page by the picture generator's own code,
// the same bytes as the committed img/ files (its arithmetic rounds the same
// everywhere): a page fetches the code that draws the mouth instead of the
// mouth's megabytes. Runs in the page's picture workers
// (web/picture_worker.js); the signs with lettering need a font file the page
// has not, and come packed instead.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tools/pictures/image8.h"
#include "tools/pictures/pictures.h"
#include "tools/pictures/targa_writer.h"

namespace {

struct Drawing {
    const char* file;  // in img/, as the game names it
    Picture (*draw)();
};
constexpr Drawing drawings[] = {
    {"bg.tga", drawBackground}, {"teeth.tga", drawTeeth}, {"bacteria.tga", drawBacterium}, {"food.tga", drawFood},
    {"brush.tga", drawBrush},   {"drill.tga", drawDrill}, {"paused.tga", drawPausedSign},
};

}  // namespace

// Draws img/NAME (bg.tga, ...) into the worker's own file system at
// /img/NAME, as make-pictures writes it; 0 for a name it does not draw.
extern "C" EMSCRIPTEN_KEEPALIVE int drawGamePicture(const char* name) {
    for (const Drawing& drawing : drawings)
        if (std::strcmp(name, drawing.file) == 0) return writePicture("/img", drawing.file, drawing.draw()) ? 1 : 0;
    return 0;
}

namespace {
std::vector<std::uint8_t> band;
}  // namespace

// The mouth's rows [top, bottom) as a Targa file's pixels (blue, green, red,
// alpha; top row first), for a page that draws the mouth in bands in two
// workers at once. Returns where they are, bandBytes() bytes; 0 when a pixel
// there is transparent: such a pixel takes its colour from its neighbours,
// which a band may not hold. The mouth has none.
extern "C" EMSCRIPTEN_KEEPALIVE const std::uint8_t* drawBackgroundBand(int top, int bottom) {
    Picture mouth = drawBackgroundRows(top, bottom);
    if (top < 0 || bottom > mouth.height || top >= bottom) return nullptr;
    // Only the band's rows are turned into bytes: the rest of the mouth is
    // another worker's.
    Picture rows;
    rows.width = mouth.width;
    rows.height = bottom - top;
    rows.pixels.assign(mouth.pixels.begin() + static_cast<std::ptrdiff_t>(top) * mouth.width,
                       mouth.pixels.begin() + static_cast<std::ptrdiff_t>(bottom) * mouth.width);
    const Image8 image = quantize(rows);
    band.assign(image.rgba.size(), 0);
    const std::uint8_t* from = image.rgba.data();
    for (std::size_t i = 0; i < band.size(); i += 4) {
        if (from[i + 3] == 0) return nullptr;
        band[i] = from[i + 2];
        band[i + 1] = from[i + 1];
        band[i + 2] = from[i];
        band[i + 3] = from[i + 3];
    }
    return band.data();
}

extern "C" EMSCRIPTEN_KEEPALIVE int bandBytes() { return static_cast<int>(band.size()); }
