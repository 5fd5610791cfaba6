// A finished picture in 8 bits a channel, straight alpha, as the files hold
// it, and the steps from a drawn picture to one.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/pictures/painting.h"

struct Image8 {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // top row first
};

std::uint8_t toByte(double v);
// Rounds each channel; fully transparent pixels come out all zero.
Image8 quantize(const Picture& picture);
// Fully transparent pixels take the colour of the nearest visible one
// (breadth first over all eight neighbours, so nearest in king's moves), so linear filtering at a sprite's edge
// blends toward the sprite's own colour instead of toward black.
void bleedIntoTransparent(Image8& image);
