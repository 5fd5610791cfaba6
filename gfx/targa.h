// The game's own Targa reader: types 2 and 3 (uncompressed) and 10 (run-length),
// depths 8, 24 and 32, either row order. Decodes to RGBA (or one grey byte) with
// the picture's top row first. Needs no OpenGL, so it can be tested and fuzzed alone.
#pragma once
#include <cstddef>
#include <cstdint>

struct TargaImage {
    std::uint8_t idLength = 0;
    std::uint8_t colorMapType = 0;
    std::uint8_t imageType = 0;
    std::uint16_t colorMapOrigin = 0;
    std::uint16_t colorMapLength = 0;
    std::uint8_t colorMapEntrySize = 0;
    std::uint16_t xOrigin = 0;
    std::uint16_t yOrigin = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::uint8_t pixelDepth = 0;
    std::uint8_t imageDescriptor = 0;

    int imageWidth = 0;
    int imageHeight = 0;
    int bitsPerPixel = 0;
    unsigned char* pixels = nullptr;  // malloc'd; the caller frees it
};

// No texture can be larger than this on a side; bigger headers are refused.
constexpr int maxPictureSide = 16384;
// A file may end early (missing bytes read as 255), but one that lacks more
// than this much of the least data its header needs is refused outright.
constexpr std::size_t maxMissingTargaBytes = 65536;

bool readTarga(TargaImage& image, const char* fileName);
bool decodeTarga(TargaImage& image, const unsigned char* data, std::size_t size);
