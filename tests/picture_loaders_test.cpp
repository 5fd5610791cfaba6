// The three picture loaders and the texture upload, on the recording OpenGL:
// what reaches glTexImage2D, in which format, and the one line each failure
// prints.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gfx/loaders.h"
#include "gfx/texture_upload.h"
#include "tests/recording_gl.h"
#include "tests/temp_files.h"
#include "tests/test_support.h"

namespace {

using Loader = unsigned int (*)(TextureHandle&, const char*);

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes targaHeader(int type, int depth, int width, int height, int descriptor = 0) {
    return Bytes{0,
                 0,
                 static_cast<unsigned char>(type),
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 static_cast<unsigned char>(width & 255),
                 static_cast<unsigned char>(width >> 8),
                 static_cast<unsigned char>(height & 255),
                 static_cast<unsigned char>(height >> 8),
                 static_cast<unsigned char>(depth),
                 static_cast<unsigned char>(descriptor)};
}

// An 8-bit PNG of the given colour type; rows top first.
Bytes pngFile(int colorType, int width, int height, const Bytes& samples) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the test picture";
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* bytes = static_cast<Bytes*>(png_get_io_ptr(p));
            bytes->insert(bytes->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t rowBytes = samples.size() / height;
    for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(&samples[y * rowBytes]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

class PictureLoaders : public testing::Test {
protected:
    void SetUp() override { resetGameGlobals(); }

    // Loads with the loader into a fresh handle; returns the printed lines.
    std::string load(Loader loader, const std::string& name) {
        return captureDiagnostics([&] { returned = loader(handle, name.c_str()); });
    }

    TempFolder folder;
    TextureHandle handle;
    unsigned int returned = 12345;
};

// ---------------------------------------------------------------------------
// Upload.

struct UploadCase {
    int channels;
    int internalFormat;
    GLenum format;
};

class TextureUpload : public PictureLoaders, public testing::WithParamInterface<UploadCase> {};

TEST_P(TextureUpload, MakesALinearRepeatingTextureOfTheBlock) {
    const UploadCase& c = GetParam();
    Bytes pixels(3 * 2 * c.channels);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 13);
    std::string printed =
        captureDiagnostics([&] { returned = uploadTexture(handle, pixels.data(), 3, 2, c.channels); });
    EXPECT_EQ(printed, "");
    EXPECT_NE(handle.glName, 0u);
    EXPECT_EQ(returned, handle.glName);

    const std::vector<std::string> expectedOrder{"glPixelStorei",   "glGenTextures",   "glBindTexture",
                                                 "glTexParameteri", "glTexParameteri", "glTexParameteri",
                                                 "glTexParameteri", "glTexImage2D"};
    ASSERT_EQ(callNames(), expectedOrder);
    EXPECT_EQ(glCalls[0].args, (std::vector<double>{GL_UNPACK_ALIGNMENT, 1}));
    EXPECT_EQ(glCalls[2].args, (std::vector<double>{GL_TEXTURE_2D, double(handle.glName)}));
    EXPECT_EQ(glCalls[3].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR}));
    EXPECT_EQ(glCalls[4].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR}));
    EXPECT_EQ(glCalls[5].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT}));
    EXPECT_EQ(glCalls[6].args, (std::vector<double>{GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT}));
    EXPECT_EQ(glCalls[7].args, (std::vector<double>{GL_TEXTURE_2D, 0, double(c.internalFormat), 3, 2, 0,
                                                    double(c.format), GL_UNSIGNED_BYTE}));
    ASSERT_EQ(uploadedImages.size(), 1u);
    EXPECT_EQ(uploadedImages[0].texture, handle.glName);
    EXPECT_EQ(uploadedImages[0].pixels, pixels);
}

INSTANTIATE_TEST_SUITE_P(Upload, TextureUpload,
                         testing::Values(UploadCase{4, GL_RGBA, GL_RGBA}, UploadCase{3, GL_RGB, GL_RGB},
                                         UploadCase{1, GL_LUMINANCE, GL_LUMINANCE}),
                         [](const testing::TestParamInfo<UploadCase>& info) {
                             return std::to_string(info.param.channels) + "Channels";
                         });

class UnsupportedChannelCount : public PictureLoaders, public testing::WithParamInterface<int> {};

TEST_P(UnsupportedChannelCount, LeavesABoundTextureWithoutAnImage) {
    Bytes pixels(64, 1);
    std::string printed =
        captureDiagnostics([&] { returned = uploadTexture(handle, pixels.data(), 2, 2, GetParam()); });
    EXPECT_EQ(printed, "Invalid Number of Channels\n");
    EXPECT_NE(handle.glName, 0u);
    EXPECT_EQ(returned, handle.glName);
    EXPECT_EQ(countCalls("glBindTexture"), 1);
    EXPECT_EQ(countCalls("glTexImage2D"), 0);
}

INSTANTIATE_TEST_SUITE_P(Upload, UnsupportedChannelCount, testing::Values(0, 2, 5));

// ---------------------------------------------------------------------------
// Headerless ".raw" pictures.

Bytes rawBytes(std::size_t size) {
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<unsigned char>(i % 251 + 1);
    return out;
}

struct RawCase {
    const char* name;
    std::size_t fileSize;
};

class RawPicture : public PictureLoaders, public testing::WithParamInterface<RawCase> {};

TEST_P(RawPicture, Becomes128By128RgbaFromTheFilesFirstRowOnZerosBeyondItsEnd) {
    const std::string name = folder.file("picture.raw");
    const Bytes file = rawBytes(GetParam().fileSize);
    writeFile(name, file);
    EXPECT_EQ(load(loadRawTexture, name), "");
    EXPECT_NE(handle.glName, 0u);
    EXPECT_EQ(returned, handle.glName);
    ASSERT_EQ(uploadedImages.size(), 1u);
    const UploadedImage& image = uploadedImages[0];
    EXPECT_EQ(image.internalFormat, GL_RGBA);
    EXPECT_EQ(image.format, static_cast<unsigned>(GL_RGBA));
    EXPECT_EQ(image.width, 128);
    EXPECT_EQ(image.height, 128);
    Bytes expected(65536, 0);
    std::copy_n(file.begin(), std::min<std::size_t>(file.size(), 65536), expected.begin());
    EXPECT_TRUE(image.pixels == expected);
}

INSTANTIATE_TEST_SUITE_P(Raw, RawPicture,
                         testing::Values(RawCase{"ExactSize", 65536}, RawCase{"Short", 1001}, RawCase{"Empty", 0},
                                         RawCase{"Long", 70000}),
                         [](const testing::TestParamInfo<RawCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Targa pictures.

TEST_F(PictureLoaders, TargaColourPicturesUploadUprightAsRgba) {
    const std::string name = folder.file("picture.tga");
    // Bottom row blue, green; top row red, white (B, G, R in the file).
    writeFile(name, join({targaHeader(2, 24, 2, 2), Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}}));
    EXPECT_EQ(load(loadTgaTexture, name), "");
    EXPECT_NE(returned, 0u);
    ASSERT_EQ(uploadedImages.size(), 1u);
    EXPECT_EQ(uploadedImages[0].internalFormat, GL_RGBA);
    EXPECT_EQ(uploadedImages[0].format, static_cast<unsigned>(GL_RGBA));
    EXPECT_EQ(uploadedImages[0].pixels, (Bytes{255, 0, 0, 255, 255, 255, 255, 255, 0, 0, 255, 255, 0, 255, 0, 255}));
}

TEST_F(PictureLoaders, TargaRunLengthPicturesUploadAsRgba) {
    const std::string name = folder.file("run.tga");
    writeFile(name, join({targaHeader(10, 32, 3, 1), Bytes{129, 1, 2, 3, 4, 0, 5, 6, 7, 8}}));
    EXPECT_EQ(load(loadTgaTexture, name), "");
    ASSERT_EQ(uploadedImages.size(), 1u);
    EXPECT_EQ(uploadedImages[0].width, 3);
    EXPECT_EQ(uploadedImages[0].pixels, (Bytes{3, 2, 1, 4, 3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST_F(PictureLoaders, TargaGreyPicturesUploadAsOneLuminanceChannel) {
    const std::string name = folder.file("grey.tga");
    writeFile(name, join({targaHeader(3, 8, 3, 2), Bytes{1, 2, 3, 4, 5, 6}}));
    EXPECT_EQ(load(loadTgaTexture, name), "");
    ASSERT_EQ(uploadedImages.size(), 1u);
    EXPECT_EQ(uploadedImages[0].internalFormat, GL_LUMINANCE);
    EXPECT_EQ(uploadedImages[0].format, static_cast<unsigned>(GL_LUMINANCE));
    EXPECT_EQ(uploadedImages[0].pixels, (Bytes{4, 5, 6, 1, 2, 3}));
}

struct UnreadableTarga {
    const char* name;
    Bytes file;
};

class UnreadableTargaFile : public PictureLoaders, public testing::WithParamInterface<UnreadableTarga> {};

TEST_P(UnreadableTargaFile, IsReportedAsNotFound) {
    const std::string name = folder.file("bad.tga");
    writeFile(name, GetParam().file);
    EXPECT_EQ(load(loadTgaTexture, name), "Texture file " + name + " not found\n");
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(handle.glName, 0u);
    EXPECT_TRUE(glCalls.empty());
}

INSTANTIATE_TEST_SUITE_P(Targa, UnreadableTargaFile,
                         testing::Values(UnreadableTarga{"ColourMapped", join({targaHeader(1, 8, 2, 2), Bytes(16, 0)})},
                                         UnreadableTarga{"SixteenBit", join({targaHeader(2, 16, 2, 2), Bytes(16, 0)})},
                                         UnreadableTarga{"Empty", {}},
                                         UnreadableTarga{"ZeroWidth", join({targaHeader(2, 24, 0, 2), Bytes(16, 0)})},
                                         UnreadableTarga{"TinyFileClaiming16000By16000",
                                                         targaHeader(2, 32, 16000, 16000)}),
                         [](const testing::TestParamInfo<UnreadableTarga>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// PNG pictures.

struct PngUploadCase {
    const char* name;
    int colorType;
    int channels;
    int internalFormat;
    GLenum format;
};

class PngPictureUpload : public PictureLoaders, public testing::WithParamInterface<PngUploadCase> {};

TEST_P(PngPictureUpload, ArrivesUprightInTrueColours) {
    const PngUploadCase& c = GetParam();
    Bytes samples(3 * 2 * c.channels);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<unsigned char>(i * 17 + 3);
    const std::string name = folder.file("picture.png");
    writeFile(name, pngFile(c.colorType, 3, 2, samples));
    EXPECT_EQ(load(loadPngTexture, name), "");
    EXPECT_NE(returned, 0u);
    ASSERT_EQ(uploadedImages.size(), 1u);
    EXPECT_EQ(uploadedImages[0].internalFormat, c.internalFormat);
    EXPECT_EQ(uploadedImages[0].format, static_cast<unsigned>(c.format));
    EXPECT_EQ(uploadedImages[0].width, 3);
    EXPECT_EQ(uploadedImages[0].height, 2);
    EXPECT_EQ(uploadedImages[0].pixels, samples);
}

INSTANTIATE_TEST_SUITE_P(Png, PngPictureUpload,
                         testing::Values(PngUploadCase{"Rgb", PNG_COLOR_TYPE_RGB, 3, GL_RGB, GL_RGB},
                                         PngUploadCase{"Rgba", PNG_COLOR_TYPE_RGB_ALPHA, 4, GL_RGBA, GL_RGBA},
                                         PngUploadCase{"Grey", PNG_COLOR_TYPE_GRAY, 1, GL_LUMINANCE, GL_LUMINANCE}),
                         [](const testing::TestParamInfo<PngUploadCase>& info) { return info.param.name; });

TEST_F(PictureLoaders, GreyWithAlphaPngGetsATextureWithoutAnImage) {
    const std::string name = folder.file("grey-alpha.png");
    writeFile(name, pngFile(PNG_COLOR_TYPE_GRAY_ALPHA, 2, 1, Bytes{1, 2, 3, 4}));
    EXPECT_EQ(load(loadPngTexture, name), "Invalid Number of Channels\n");
    EXPECT_NE(handle.glName, 0u);
    EXPECT_EQ(returned, handle.glName);
    EXPECT_TRUE(uploadedImages.empty());
}

TEST_F(PictureLoaders, ABrokenPngLeavesTheHandleEmptyAndPrintsNothingOfItsOwn) {
    Bytes file = pngFile(PNG_COLOR_TYPE_RGB, 3, 2, Bytes(18, 7));
    file.resize(file.size() - 20);
    const std::string name = folder.file("broken.png");
    writeFile(name, file);
    testing::internal::CaptureStderr();
    std::string printed = load(loadPngTexture, name);
    std::string libpngReport = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "");
    EXPECT_NE(libpngReport, "");
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(handle.glName, 0u);
    EXPECT_TRUE(glCalls.empty());
}

// ---------------------------------------------------------------------------
// What every loader does.

struct LoaderCase {
    const char* name;
    Loader loader;
    const char* extension;
};

const LoaderCase everyLoader[] = {
    {"Raw", loadRawTexture, ".raw"},
    {"Targa", loadTgaTexture, ".tga"},
    {"Png", loadPngTexture, ".png"},
};

class EveryLoader : public PictureLoaders, public testing::WithParamInterface<LoaderCase> {};

TEST_P(EveryLoader, RefusesAHandleThatAlreadyHasATextureWithoutOpeningTheFile) {
    handle.glName = 7;
    // Were the file opened, its absence would be reported.
    const std::string name = folder.file(std::string("absent") + GetParam().extension);
    EXPECT_EQ(load(GetParam().loader, name), "Texture already initialized!\n");
    EXPECT_EQ(returned, 7u);
    EXPECT_EQ(handle.glName, 7u);
    EXPECT_TRUE(glCalls.empty());
}

TEST_P(EveryLoader, ReportsAMissingFileAndLeavesTheHandleEmpty) {
    const std::string name = folder.file(std::string("absent") + GetParam().extension);
    EXPECT_EQ(load(GetParam().loader, name), "Texture file " + name + " not found\n");
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(handle.glName, 0u);
    EXPECT_TRUE(glCalls.empty());
}

INSTANTIATE_TEST_SUITE_P(Loaders, EveryLoader, testing::ValuesIn(everyLoader),
                         [](const testing::TestParamInfo<LoaderCase>& info) { return info.param.name; });

}  // namespace
