// Alpha classes of a picture's texels, kept with its texture.
#include "gfx/picture_coverage.h"

#include <cstddef>

TexelCover PictureCoverage::at(int column, int row) const {
    if (opaque) return TexelCover::Opaque;
    const int c = ((column % width) + width) % width;
    const int r = ((row % height) + height) % height;
    return texels[static_cast<std::size_t>(r) * static_cast<std::size_t>(width) + static_cast<std::size_t>(c)];
}

PictureCoverage measureCoverage(const unsigned char* pixels, int width, int height, int channels) {
    PictureCoverage coverage;
    if (!pixels || width <= 0 || height <= 0) return coverage;
    coverage.width = width;
    coverage.height = height;
    if (channels == 1 || channels == 3) {
        coverage.measured = true;
        coverage.opaque = true;
        return coverage;
    }
    if (channels != 4) return coverage;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    coverage.texels.resize(count);
    bool allOpaque = true;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char alpha = pixels[i * 4 + 3];
        const TexelCover cover = alpha == 0     ? TexelCover::Clear
                                 : alpha == 255 ? TexelCover::Opaque
                                                : TexelCover::Partial;
        coverage.texels[i] = cover;
        allOpaque = allOpaque && cover == TexelCover::Opaque;
    }
    coverage.measured = true;
    if (allOpaque) {
        coverage.opaque = true;
        coverage.texels.clear();
        coverage.texels.shrink_to_fit();
    }
    return coverage;
}
