// PNG writing. libpng reports its own errors on standard error and jumps back
// here; the file is closed on every path.
#include "gfx/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include "gfx/diagnostic.h"

namespace {

// Kept apart from the setjmp frame so that nothing needing destruction lives there.
bool writeRows(std::FILE* file, png_bytep* rows, int width, int height, int colorType) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// channels: 3 drops the alpha of each RGBA pixel, 4 keeps it.
bool writePng(const char* fileName, const unsigned char* pixels, int width, int height, int channels) {
    if (width <= 0 || height <= 0) {
        reportLine(std::string("Picture ") + fileName + " has no pixels to write");
        return false;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
    std::vector<unsigned char> packed(rowBytes * static_cast<std::size_t>(height));
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i)
        for (int k = 0; k < channels; ++k) packed[i * channels + k] = pixels[i * 4 + k];
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row) rows[static_cast<std::size_t>(row)] = &packed[row * rowBytes];

    std::FILE* file = std::fopen(fileName, "wb");
    if (!file) {
        reportLine(std::string("Picture ") + fileName + " cannot be written");
        return false;
    }
    int colorType = channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    bool written = writeRows(file, rows.data(), width, height, colorType);
    written = std::fclose(file) == 0 && written;
    if (!written) reportLine(std::string("Picture ") + fileName + " cannot be written");
    return written;
}

}  // namespace

bool writePngFile(const char* fileName, const unsigned char* pixels, int width, int height) {
    return writePng(fileName, pixels, width, height, 3);
}

bool writeRgbaPngFile(const char* fileName, const unsigned char* pixels, int width, int height) {
    return writePng(fileName, pixels, width, height, 4);
}
