// libFuzzer target for the Targa reader: any bytes may come in; an accepted
// picture must have a block of exactly the size its header promises, within
// the limits the reader enforces, hold exactly what a plain one-byte-at-a-time
// reading gives, and nothing may leak or overrun.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// The reading rules taken literally: every byte read alone (255 past the end),
// each pixel placed by its index, packets clipped at the pixel total.
std::vector<unsigned char> plainReading(const TargaImage& image, const std::uint8_t* data, std::size_t size,
                                        std::size_t start) {
    std::size_t pos = start;
    auto next = [&]() -> unsigned char { return pos < size ? data[pos++] : 255; };
    const std::size_t width = static_cast<std::size_t>(image.imageWidth);
    const std::size_t height = static_cast<std::size_t>(image.imageHeight);
    const std::size_t count = width * height;
    const std::size_t blockBytes = image.pixelDepth == 8 ? 1 : 4;
    std::vector<unsigned char> block(count * blockBytes);
    unsigned char px[4];
    auto readPixel = [&] {
        if (image.pixelDepth == 8) {
            px[0] = next();
            return;
        }
        px[2] = next();
        px[1] = next();
        px[0] = next();
        px[3] = image.pixelDepth == 32 ? next() : 255;
    };
    auto store = [&](std::size_t index) {
        if (index >= count) return;
        std::size_t row = index / width;
        if (!(image.imageDescriptor & 32)) row = height - 1 - row;
        std::memcpy(&block[(row * width + index % width) * blockBytes], px, blockBytes);
    };
    for (std::size_t index = 0; index < count;) {
        if (image.imageType != 10) {
            readPixel();
            store(index++);
            continue;
        }
        const unsigned header = next();
        const unsigned n = (header & 127) + 1;
        if (header & 128) readPixel();
        for (unsigned i = 0; i < n; ++i) {
            if (!(header & 128)) readPixel();
            store(index++);
        }
    }
    return block;
}

// Inputs whose header the reader would accept for a picture of more than this
// many pixels are passed over: a few header bytes would otherwise make every
// run fill and compare megabytes of missing pixels, and the fuzzer would crawl.
// Large pictures are the reader tests' business.
constexpr std::size_t largestFuzzedPicture = 1 << 12;

bool acceptedAndLarge(const std::uint8_t* data, std::size_t size) {
    if (size < 18) return false;
    const int width = static_cast<std::int16_t>(data[12] | data[13] << 8);
    const int height = static_cast<std::int16_t>(data[14] | data[15] << 8);
    const int depth = data[16];
    if (width <= 0 || height <= 0 || width > maxPictureSide || height > maxPictureSide) return false;
    if (depth != 8 && depth != 24 && depth != 32) return false;
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    if (pixels <= largestFuzzedPicture) return false;
    const std::size_t fileBytes = depth / 8;
    const std::size_t least = data[2] == 10 ? (pixels + 127) / 128 * (1 + fileBytes) : pixels * fileBytes;
    return least <= size + maxMissingTargaBytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (acceptedAndLarge(data, size)) return 0;
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
    const std::vector<unsigned char> plain = plainReading(image, data, size, 18 + skipped);
    require(plain.size() == blockBytes && std::memcmp(plain.data(), image.pixels, blockBytes) == 0);
    std::free(image.pixels);
    return 0;
}
