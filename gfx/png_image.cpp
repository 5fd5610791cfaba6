// PNG decoding. Pictures larger than any texture, or larger than their file
// could ever unpack to, are refused before anything is allocated for them;
// 16-bit samples are reduced to 8 bits; palettes and transparency chunks are
// expanded.
#include "gfx/png_image.h"

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gfx/targa.h"

namespace {

struct MemoryReader {
    const unsigned char* data;
    std::size_t size;
    std::size_t offset;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->offset) png_error(png, "Read past the end of the data");
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

// Ancillary chunks (text, colour profiles) are never needed this large.
constexpr png_alloc_size_t largestChunk = 1 << 20;
// Nothing libpng itself allocates for a picture the game can use comes near
// this: a chunk of at most largestChunk, rows of at most 16384 pixels of 8
// bytes, the inflate window. libpng only warns about an ancillary chunk above
// largestChunk (a suggested palette, say) and then allocates its whole claimed
// length, up to 2 GiB from a 50-byte file, so the limit is kept here as well.
constexpr png_alloc_size_t largestAllocation = 2 * largestChunk;

png_voidp boundedAllocate(png_structp, png_alloc_size_t size) {
    return size <= largestAllocation ? std::malloc(size) : nullptr;
}

void boundedFree(png_structp, png_voidp block) { std::free(block); }

// Deflate packs at most about 1032 bytes into one; a file whose header asks
// for more pixel data than that could ever unpack to is damaged.
constexpr std::uint64_t mostDeflateRatio = 1100;
constexpr std::size_t signatureAndHeader = 33;

std::uint32_t bigEndian(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// Whether a file of fileSize bytes starting with these bytes can hold the
// pixel data its header promises. Headers libpng would reject anyway pass
// here, for libpng to say what is wrong with them.
bool plausibleSize(const unsigned char* start, std::size_t available, std::uint64_t fileSize) {
    if (available < signatureAndHeader || std::memcmp(start + 12, "IHDR", 4) != 0) return true;
    const std::uint64_t width = bigEndian(start + 16);
    const std::uint64_t height = bigEndian(start + 20);
    const unsigned bitDepth = start[24];
    const unsigned colourType = start[25];
    const unsigned samples = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    if (width > static_cast<std::uint64_t>(maxPictureSide) || height > static_cast<std::uint64_t>(maxPictureSide))
        return true;
    // Every row starts with its filter byte.
    const std::uint64_t rawBytes = height * (1 + (width * samples * bitDepth + 7) / 8);
    return rawBytes <= mostDeflateRatio * fileSize;
}

// Decodes with libpng's default error handlers: on error libpng prints its
// report and jumps back here.
// Whether the file or memory can hold the picture its header describes; the
// read position is left at the start.
bool plausibleSource(std::FILE* file, const MemoryReader* memory) {
    unsigned char start[signatureAndHeader];
    if (!file) {
        const std::size_t available = memory->size < sizeof start ? memory->size : sizeof start;
        if (available > 0) std::memcpy(start, memory->data, available);
        return plausibleSize(start, available, memory->size);
    }
    const std::size_t available = std::fread(start, 1, sizeof start, file);
    std::fseek(file, 0, SEEK_END);
    const long end = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    return plausibleSize(start, available, end > 0 ? static_cast<std::uint64_t>(end) : 0);
}

bool decode(std::FILE* file, MemoryReader* memory, ImageBuffer& image) {
    const bool plausible = plausibleSource(file, memory);
    // Set up before the error return point, so a jump back leaves it whole.
    std::vector<png_bytep> rows;
    png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr, nullptr,
                                               boundedAllocate, boundedFree);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_user_limits(png, maxPictureSide, maxPictureSide);
    png_set_chunk_malloc_max(png, largestChunk);
    if (!plausible) png_error(png, "Image data too short for the picture size");
    if (file)
        png_init_io(png, file);
    else
        png_set_read_fn(png, memory, readFromMemory);
    png_set_sig_bytes(png, 0);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    image.width = png_get_image_width(png, info);
    image.height = png_get_image_height(png, info);
    image.channels = png_get_channels(png, info);
    image.stride = image.width * image.channels;
    image.topRowFirst = true;
    if (png_get_rowbytes(png, info) != image.stride) png_error(png, "Unexpected row size");
    // Decoded straight into the buffer. What follows the pixels (text and the
    // like) is never read: the game has no use for it.
    image.bytes.assign(static_cast<std::size_t>(image.height) * image.stride, 0);
    rows.resize(image.height);
    for (std::uint32_t i = 0; i < image.height; ++i) rows[i] = image.rowAddress(i);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

bool decodePngFile(std::FILE* file, ImageBuffer& image) { return decode(file, nullptr, image); }

bool decodePngMemory(const unsigned char* data, std::size_t size, ImageBuffer& image) {
    MemoryReader reader{data, size, 0};
    return decode(nullptr, &reader, image);
}
