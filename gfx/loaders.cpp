// Picture loaders: open, decode, upload, free. Every failure is one line and a
// handle without texture; the game carries on.
#include "gfx/loaders.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "gfx/diagnostic.h"
#include "gfx/png_image.h"
#include "gfx/targa.h"
#include "gfx/texture_upload.h"

namespace {

constexpr int rawSide = 128;
constexpr std::size_t rawBytes = rawSide * rawSide * 4;

// Pictures on their way, and those of them a handle has asked for; built on
// first use, as the page may name them before the game's globals are made.
std::set<std::string>& picturesComing() {
    static std::set<std::string> coming;
    return coming;
}
std::set<std::string>& askedBeforeComing() {
    static std::set<std::string> asked;
    return asked;
}

void reportNotFound(const char* fileName) {
    if (picturesComing().count(fileName)) {
        askedBeforeComing().insert(fileName);
        return;
    }
    reportLine(std::string("Texture file ") + fileName + " not found");
}

// Only regular files are pictures: opening a FIFO would hold the game until
// somebody wrote into it, and a device may never end.
bool isPictureFile(const char* fileName) {
    std::error_code error;
    return std::filesystem::is_regular_file(fileName, error);
}

// A handle is filled at most once.
bool alreadyLoaded(const TextureHandle& handle) {
    if (handle.glName == 0) return false;
    reportLine("Texture already initialized!");
    return true;
}

}  // namespace

unsigned int loadRawTexture(TextureHandle& handle, const char* fileName) {
    if (alreadyLoaded(handle)) return handle.glName;
    std::FILE* file = isPictureFile(fileName) ? std::fopen(fileName, "rb") : nullptr;
    if (!file) {
        reportNotFound(fileName);
        return 0;
    }
    // Texels a short file does not supply stay black and transparent.
    std::vector<unsigned char> pixels(rawBytes, 0);
    std::size_t got = std::fread(pixels.data(), 1, rawBytes, file);
    (void)got;
    std::fclose(file);
    uploadTexture(handle, pixels.data(), rawSide, rawSide, 4);
    return handle.glName;
}

unsigned int loadTgaTexture(TextureHandle& handle, const char* fileName) {
    if (alreadyLoaded(handle)) return handle.glName;
    TargaImage image;
    if (!isPictureFile(fileName) || !readTarga(image, fileName)) {
        reportNotFound(fileName);
        std::free(image.pixels);
        return 0;
    }
    uploadTexture(handle, image.pixels, image.imageWidth, image.imageHeight, image.bitsPerPixel / 8);
    std::free(image.pixels);
    return handle.glName;
}

unsigned int loadPngTexture(TextureHandle& handle, const char* fileName) {
    if (alreadyLoaded(handle)) return handle.glName;
    std::FILE* file = isPictureFile(fileName) ? std::fopen(fileName, "rb") : nullptr;
    if (!file) {
        reportNotFound(fileName);
        return 0;
    }
    ImageBuffer image;
    bool decoded = decodePngFile(file, image);
    std::fclose(file);
    if (!decoded) return 0;
    uploadTexture(handle, image.bytes.data(), static_cast<int>(image.width), static_cast<int>(image.height),
                  static_cast<int>(image.channels));
    return handle.glName;
}

void expectPicture(const char* fileName) { picturesComing().insert(fileName); }

void pictureCame(const char* fileName) {
    picturesComing().erase(fileName);
    askedBeforeComing().erase(fileName);
}

void pictureNotComing(const char* fileName) {
    const bool asked = askedBeforeComing().erase(fileName) > 0;
    picturesComing().erase(fileName);
    if (asked) reportNotFound(fileName);
}
