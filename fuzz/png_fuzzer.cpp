// libFuzzer target for PNG decoding: any bytes may come in; a decoded picture
// must be within the texture limits and its buffer exactly rows times stride.
// libpng reports every bad file on standard error; the run script silences it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "gfx/png_image.h"
#include "gfx/targa.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ImageBuffer image;
    if (!decodePngMemory(data, size, image)) return 0;
    require(image.width > 0 && image.width <= static_cast<std::uint32_t>(maxPictureSide));
    require(image.height > 0 && image.height <= static_cast<std::uint32_t>(maxPictureSide));
    require(image.channels >= 1 && image.channels <= 4);
    require(image.stride == image.width * image.channels);
    require(image.bytes.size() == static_cast<std::size_t>(image.height) * image.stride);
    require(image.topRowFirst);
    return 0;
}
