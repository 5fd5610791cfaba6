// libFuzzer target for the Targa reader: any bytes may come in; an accepted
// picture must have a block of exactly the size its header promises, within
// the limits the reader enforces, and nothing may leak or overrun.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "gfx/targa.h"

namespace {

volatile unsigned blockSum = 0;

void require(bool condition) {
    if (!condition) std::abort();
}

// The least pixel data a header needs; an accepted file lacks at most
// maxMissingTargaBytes of it.
std::size_t leastData(const TargaImage& image) {
    const std::size_t pixels = static_cast<std::size_t>(image.imageWidth) * image.imageHeight;
    const std::size_t fileBytes = image.pixelDepth / 8;
    return image.imageType == 10 ? (pixels + 127) / 128 * (1 + fileBytes) : pixels * fileBytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TargaImage image;
    if (!decodeTarga(image, data, size)) {
        std::free(image.pixels);
        return 0;
    }
    require(image.pixels != nullptr);
    require(image.imageType == 2 || image.imageType == 3 || image.imageType == 10);
    require(image.imageWidth == image.width && image.imageHeight == image.height);
    require(image.imageWidth > 0 && image.imageWidth <= maxPictureSide);
    require(image.imageHeight > 0 && image.imageHeight <= maxPictureSide);
    require(image.bitsPerPixel == (image.pixelDepth == 8 ? 8 : 32));
    require(image.pixelDepth == 8 || image.pixelDepth == 24 || image.pixelDepth == 32);

    std::size_t skipped = image.idLength;
    if (image.colorMapType == 1)
        skipped += static_cast<std::size_t>(image.colorMapLength) * ((image.colorMapEntrySize + 7) / 8);
    const std::size_t present = size > 18 + skipped ? size - 18 - skipped : 0;
    require(leastData(image) <= present + maxMissingTargaBytes);

    // Touch every byte: a block smaller than promised shows up as an overrun.
    const std::size_t blockBytes =
        static_cast<std::size_t>(image.imageWidth) * image.imageHeight * (image.bitsPerPixel / 8);
    unsigned sum = 0;
    for (std::size_t i = 0; i < blockBytes; ++i) sum += image.pixels[i];
    if (image.bitsPerPixel == 32 && image.pixelDepth == 24)
        for (std::size_t i = 3; i < blockBytes; i += 4) require(image.pixels[i] == 255);
    blockSum = sum;
    std::free(image.pixels);
    return 0;
}
