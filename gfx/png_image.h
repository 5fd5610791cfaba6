// PNG decoding through libpng into an ImageBuffer: 8-bit samples in R, G, B(, A)
// order (or grey), top row first, exactly as Targa pictures arrive. Separate
// from the upload so it can be tested and fuzzed without OpenGL.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

struct ImageBuffer {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stride = 0;
    std::uint32_t channels = 0;
    bool topRowFirst = true;
    std::vector<unsigned char> bytes;

    unsigned char* rowAddress(std::uint32_t i) {
        std::size_t row = topRowFirst ? i : height - 1 - i;
        return bytes.data() + row * stride;
    }
};

// Both return false after libpng has reported the problem on standard error.
bool decodePngFile(std::FILE* file, ImageBuffer& image);
bool decodePngMemory(const unsigned char* data, std::size_t size, ImageBuffer& image);
