// PNG decoding: pictures written by libpng's own writer in every colour type,
// bit depth and interlacing, read back upright and in true colours; broken and
// oversized files refused.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/png_image.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct PngCase {
    const char* name;
    int colorType;
    int bitDepth;
    bool interlaced;
    int transparentEntries;  // palette entries (or, for other types, 1 colour) in tRNS
    unsigned channels;       // after decoding
    int width = 9;
    int height = 7;
};

// An asymmetric picture: every sample depends on the row and the column, so a
// flipped, mirrored or reordered decode shows. Samples are 0 .. maxValue.
unsigned sample(int x, int y, int channel, unsigned maxValue) {
    return (x * 7 + y * 31 + channel * 53 + x * y) % (maxValue + 1);
}

// Thirteen entries, or as many as the bit depth can index.
int paletteSize(int bitDepth) { return bitDepth >= 4 ? 13 : 1 << bitDepth; }

png_color paletteColour(int i) {
    return png_color{static_cast<png_byte>(i * 19), static_cast<png_byte>(255 - i * 11), static_cast<png_byte>(i * i)};
}

int paletteIndex(int x, int y, int bitDepth) {
    return static_cast<int>(sample(x, y, 0, (1u << bitDepth) - 1) % paletteSize(bitDepth));
}

unsigned fileChannels(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_PALETTE:
            return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        default:
            return 4;
    }
}

// The colour libpng is told is transparent in grey and RGB pictures.
unsigned transparentSample(int channel, unsigned maxValue) { return sample(2, 1, channel, maxValue); }

void appendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// Writes the case's picture with libpng.
Bytes writePng(const PngCase& c) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write " << c.name;
        return {};
    }
    png_set_write_fn(png, &out, appendToVector, nullptr);
    png_set_IHDR(png, info, c.width, c.height, c.bitDepth, c.colorType,
                 c.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // 16-bit samples hold the same byte twice, so any fair reduction to 8 bits
    // gives that byte.
    const unsigned maxValue = c.bitDepth == 16 ? 255 : (1u << c.bitDepth) - 1;
    const unsigned widen = c.bitDepth == 16 ? 257 : 1;
    if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
        std::vector<png_color> palette;
        for (int i = 0; i < paletteSize(c.bitDepth); ++i) palette.push_back(paletteColour(i));
        png_set_PLTE(png, info, palette.data(), paletteSize(c.bitDepth));
        if (c.transparentEntries > 0) {
            std::vector<png_byte> alpha;
            for (int i = 0; i < c.transparentEntries; ++i) alpha.push_back(static_cast<png_byte>(i * 20));
            png_set_tRNS(png, info, alpha.data(), c.transparentEntries, nullptr);
        }
    } else if (c.transparentEntries > 0) {
        png_color_16 colour{};
        colour.gray = static_cast<png_uint_16>(transparentSample(0, maxValue) * widen);
        colour.red = static_cast<png_uint_16>(transparentSample(0, maxValue) * widen);
        colour.green = static_cast<png_uint_16>(transparentSample(1, maxValue) * widen);
        colour.blue = static_cast<png_uint_16>(transparentSample(2, maxValue) * widen);
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    png_write_info(png, info);

    const unsigned channels = fileChannels(c.colorType);
    const std::size_t rowBytes = (static_cast<std::size_t>(c.width) * channels * c.bitDepth + 7) / 8;
    std::vector<Bytes> rows(c.height, Bytes(rowBytes, 0));
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            for (unsigned ch = 0; ch < channels; ++ch) {
                unsigned v =
                    c.colorType == PNG_COLOR_TYPE_PALETTE ? paletteIndex(x, y, c.bitDepth) : sample(x, y, ch, maxValue);
                std::size_t index = static_cast<std::size_t>(x) * channels + ch;
                if (c.bitDepth == 16) {
                    rows[y][index * 2] = static_cast<png_byte>(v);
                    rows[y][index * 2 + 1] = static_cast<png_byte>(v);
                } else if (c.bitDepth == 8) {
                    rows[y][index] = static_cast<png_byte>(v);
                } else {
                    std::size_t bit = index * c.bitDepth;
                    rows[y][bit / 8] |= static_cast<png_byte>(v << (8 - c.bitDepth - bit % 8));
                }
            }
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// What the decoded block must hold, top row first, 8 bits per sample.
Bytes expectedBlock(const PngCase& c) {
    Bytes out;
    const unsigned maxValue = c.bitDepth == 16 ? 255 : (1u << c.bitDepth) - 1;
    auto to8 = [&](unsigned v) { return static_cast<unsigned char>(v * 255 / maxValue); };
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
                int i = paletteIndex(x, y, c.bitDepth);
                png_color colour = paletteColour(i);
                out.insert(out.end(), {colour.red, colour.green, colour.blue});
                if (c.transparentEntries > 0)
                    out.push_back(static_cast<unsigned char>(i < c.transparentEntries ? i * 20 : 255));
                continue;
            }
            const unsigned channels = fileChannels(c.colorType);
            bool transparent = c.transparentEntries > 0;
            for (unsigned ch = 0; ch < channels; ++ch) {
                unsigned v = sample(x, y, ch, c.bitDepth == 16 ? 255 : maxValue);
                transparent = transparent && v == transparentSample(ch, c.bitDepth == 16 ? 255 : maxValue);
                out.push_back(to8(v));
            }
            if (c.transparentEntries > 0) out.push_back(transparent ? 0 : 255);
        }
    return out;
}

std::string describe(const ImageBuffer& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height) + "x" + std::to_string(image.channels);
}

// Decodes from memory and through a file; both must agree.
bool decodeBoth(const Bytes& data, ImageBuffer& image) {
    bool fromMemory = decodePngMemory(data.data(), data.size(), image);
    std::FILE* file = std::tmpfile();
    if (!data.empty()) std::fwrite(data.data(), 1, data.size(), file);
    std::rewind(file);
    ImageBuffer viaFile;
    bool fromFile = decodePngFile(file, viaFile);
    std::fclose(file);
    EXPECT_EQ(fromMemory, fromFile);
    if (fromMemory && fromFile) {
        EXPECT_EQ(describe(image), describe(viaFile));
        EXPECT_TRUE(image.bytes == viaFile.bytes) << "file and memory decodes differ";
    }
    return fromMemory;
}

class PngPicture : public testing::TestWithParam<PngCase> {};

TEST_P(PngPicture, ArrivesUprightInTrueColours) {
    const PngCase& c = GetParam();
    Bytes file = writePng(c);
    ASSERT_FALSE(file.empty());
    ImageBuffer image;
    ASSERT_TRUE(decodeBoth(file, image));
    EXPECT_EQ(image.width, static_cast<unsigned>(c.width));
    EXPECT_EQ(image.height, static_cast<unsigned>(c.height));
    EXPECT_EQ(image.channels, c.channels);
    EXPECT_EQ(image.stride, c.width * c.channels);
    EXPECT_EQ(image.bytes, expectedBlock(c));
}

constexpr int grey = PNG_COLOR_TYPE_GRAY;
constexpr int greyAlpha = PNG_COLOR_TYPE_GRAY_ALPHA;
constexpr int rgb = PNG_COLOR_TYPE_RGB;
constexpr int rgba = PNG_COLOR_TYPE_RGB_ALPHA;
constexpr int palette = PNG_COLOR_TYPE_PALETTE;

INSTANTIATE_TEST_SUITE_P(Png, PngPicture,
                         testing::ValuesIn(std::vector<PngCase>{
                             {"Rgb", rgb, 8, false, 0, 3},
                             {"Rgba", rgba, 8, false, 0, 4},
                             {"Grey", grey, 8, false, 0, 1},
                             {"GreyOneBit", grey, 1, false, 0, 1},
                             {"GreyTwoBit", grey, 2, false, 0, 1},
                             {"GreyFourBit", grey, 4, false, 0, 1},
                             {"GreyWithAlphaKeepsTwoChannels", greyAlpha, 8, false, 0, 2},
                             {"Palette", palette, 8, false, 0, 3},
                             {"PaletteFourBit", palette, 4, false, 0, 3},
                             {"PaletteTwoBit", palette, 2, false, 0, 3},
                             {"PaletteWithTransparency", palette, 8, false, 5, 4},
                             {"PaletteFourBitWithTransparency", palette, 4, false, 13, 4},
                             {"GreyWithTransparentColourGainsAlpha", grey, 8, false, 1, 2},
                             {"RgbWithTransparentColourGainsAlpha", rgb, 8, false, 1, 4},
                             {"Rgb16", rgb, 16, false, 0, 3},
                             {"Rgba16", rgba, 16, false, 0, 4},
                             {"Grey16", grey, 16, false, 0, 1},
                             {"GreyAlpha16", greyAlpha, 16, false, 0, 2},
                             {"InterlacedRgb", rgb, 8, true, 0, 3},
                             {"InterlacedRgba16", rgba, 16, true, 0, 4},
                             {"InterlacedPaletteWithTransparency", palette, 4, true, 6, 4},
                             {"InterlacedGreyTwoBit", grey, 2, true, 0, 1},
                             {"OnePixel", rgb, 8, false, 0, 3, 1, 1},
                             {"OneRow", rgba, 8, true, 0, 4, 33, 1},
                             {"OneColumn", grey, 8, true, 0, 1, 1, 33},
                             {"WidestAllowedRow", grey, 8, false, 0, 1, 16384, 1},
                         }),
                         [](const testing::TestParamInfo<PngCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Refused files.

void putBig32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

void putChunk(Bytes& out, const char* type, const Bytes& data) {
    putBig32(out, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBig32(out, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

// A well-formed file whose header claims the given size, with a little image
// data (far too little for such a picture).
Bytes pngClaiming(std::uint32_t width, std::uint32_t height) {
    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    putBig32(header, width);
    putBig32(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
    putChunk(out, "IHDR", header);
    Bytes raw(1000, 0);
    Bytes packed(compressBound(static_cast<uLong>(raw.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(packedSize);
    putChunk(out, "IDAT", packed);
    putChunk(out, "IEND", {});
    return out;
}

struct RefusedPng {
    const char* name;
    Bytes file;
};

Bytes goodPng() { return writePng({"Good", rgb, 8, false, 0, 3}); }

Bytes cut(Bytes file, std::size_t size) {
    file.resize(size);
    return file;
}

Bytes flipped(Bytes file, std::size_t at) {
    file[at] ^= 0x40;
    return file;
}

std::vector<RefusedPng> refusedPngs() {
    const Bytes good = goodPng();
    return {
        {"Empty", {}},
        {"NotAPng", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0}},
        {"SignatureOnly", cut(good, 8)},
        {"CutInsideTheHeaderChunk", cut(good, 20)},
        {"CutAfterTheHeaderChunk", cut(good, 33)},
        {"CutInsideTheImageData", cut(good, good.size() - 20)},
        {"DamagedSignature", flipped(good, 1)},
        {"DamagedHeaderChunk", flipped(good, 17)},
        {"DamagedImageData", flipped(good, 45)},
        {"WiderThanTheLargestTexture", pngClaiming(16385, 1)},
        {"TallerThanTheLargestTexture", pngClaiming(1, 16385)},
        {"ClaimingZeroWidth", pngClaiming(0, 10)},
        {"Claiming100000By100000", pngClaiming(100000, 100000)},
    };
}

class BrokenPng : public testing::TestWithParam<RefusedPng> {};

TEST_P(BrokenPng, IsRefused) {
    ImageBuffer image;
    EXPECT_FALSE(decodeBoth(GetParam().file, image));
}

INSTANTIATE_TEST_SUITE_P(Png, BrokenPng, testing::ValuesIn(refusedPngs()),
                         [](const testing::TestParamInfo<RefusedPng>& info) { return info.param.name; });

TEST(PngLimits, AHugeHeaderIsRefusedBeforeAnythingIsAllocated) {
    // 100000 x 100000 RGBA would be 40 GB of pixels and a long wait.
    const Bytes file = pngClaiming(100000, 100000);
    auto start = std::chrono::steady_clock::now();
    ImageBuffer image;
    EXPECT_FALSE(decodePngMemory(file.data(), file.size(), image));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(image.bytes.empty());
}

TEST(PngLimits, ATinyFileClaimingTheLargestPictureIsRefusedBeforeAnythingIsAllocated) {
    // 16384 x 16384 is a legal size, but no 60-byte file unpacks to a gigabyte.
    const Bytes file = pngClaiming(16384, 16384);
    ImageBuffer image;
    EXPECT_FALSE(decodeBoth(file, image));
    EXPECT_TRUE(image.bytes.empty());
}

TEST(PngLimits, WhatFollowsThePixelsIsNeverRead) {
    // The pixels are whole; after them, an end chunk cut short, or a text chunk
    // claiming two gigabytes that are not there.
    const Bytes good = goodPng();
    ImageBuffer whole, image;
    ASSERT_TRUE(decodeBoth(good, whole));
    EXPECT_TRUE(decodeBoth(cut(good, good.size() - 2), image));
    EXPECT_EQ(image.bytes, whole.bytes);
    Bytes hugeText(good.begin(), good.end() - 12);
    hugeText.insert(hugeText.end(), {0x7F, 0xFF, 0xFF, 0x00, 't', 'E', 'X', 't', 'a', 'b', 'c'});
    EXPECT_TRUE(decodeBoth(hugeText, image));
    EXPECT_EQ(image.bytes, whole.bytes);
}

TEST(PngLimits, APictureAsTallAsTheLargestTextureIsRead) {
    Bytes file = writePng({"Tall", grey, 8, false, 0, 1, 1, 16384});
    ImageBuffer image;
    ASSERT_TRUE(decodeBoth(file, image));
    EXPECT_EQ(image.height, 16384u);
}

}  // namespace
