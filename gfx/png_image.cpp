// PNG decoding. Pictures larger than any texture are refused by libpng itself
// before it allocates; 16-bit samples are reduced to 8 bits; palettes and
// transparency chunks are expanded.
#include "gfx/png_image.h"

#include <png.h>

#include <cstring>

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

// Decodes with libpng's default error handlers: on error libpng prints its
// report and jumps back here.
bool decode(std::FILE* file, MemoryReader* memory, ImageBuffer& image) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
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
    if (file)
        png_init_io(png, file);
    else
        png_set_read_fn(png, memory, readFromMemory);
    png_set_sig_bytes(png, 0);
    png_read_png(png, info, PNG_TRANSFORM_EXPAND | PNG_TRANSFORM_STRIP_16, nullptr);

    const std::uint32_t width = png_get_image_width(png, info);
    const std::uint32_t height = png_get_image_height(png, info);
    const std::uint32_t channels = png_get_channels(png, info);
    png_bytepp rows = png_get_rows(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);

    image.width = width;
    image.height = height;
    image.channels = channels;
    image.stride = width * channels;
    image.topRowFirst = true;
    if (rowBytes < image.stride || !rows) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    image.bytes.assign(static_cast<std::size_t>(height) * image.stride, 0);
    for (std::uint32_t i = 0; i < height; ++i) std::memcpy(image.rowAddress(i), rows[i], image.stride);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

bool decodePngFile(std::FILE* file, ImageBuffer& image) { return decode(file, nullptr, image); }

bool decodePngMemory(const unsigned char* data, std::size_t size, ImageBuffer& image) {
    MemoryReader reader{data, size, 0};
    return decode(nullptr, &reader, image);
}
