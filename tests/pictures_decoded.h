// A committed picture from img/, decoded with the game's own Targa reader, for
// the tests that look at what the pictures hold.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/targa.h"

struct Decoded {
    TargaImage header;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;  // top row first

    const unsigned char* at(int x, int y) const { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
    int alpha(int x, int y) const { return at(x, y)[3]; }
};

inline Decoded loadPicture(const std::string& name) {
    Decoded picture;
    std::string path = "img/" + name;
    bool read = readTarga(picture.header, path.c_str());
    EXPECT_TRUE(read) << path;
    if (!read || !picture.header.pixels) return picture;
    EXPECT_EQ(picture.header.bitsPerPixel, 32) << path;
    picture.width = picture.header.imageWidth;
    picture.height = picture.header.imageHeight;
    const unsigned char* pixels = picture.header.pixels;
    picture.rgba.assign(pixels, pixels + static_cast<std::size_t>(picture.width) * picture.height * 4);
    std::free(picture.header.pixels);
    picture.header.pixels = nullptr;
    return picture;
}
