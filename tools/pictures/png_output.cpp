// Drawn picture to bytes to PNG, through the game's own PNG writer.
#include "tools/pictures/png_output.h"

#include "gfx/png_writer.h"
#include "tools/pictures/image8.h"

bool writePngPicture(const std::string& path, const Picture& picture) {
    Image8 image = quantize(picture);
    // Clear pixels keep the nearest colour, so a desktop that scales the icon
    // does not darken its edge.
    bleedIntoTransparent(image);
    return writeRgbaPngFile(path.c_str(), image.rgba.data(), image.width, image.height);
}
