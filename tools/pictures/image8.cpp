// Quantizing drawn pictures to bytes, and bleeding colour under their
// transparent pixels.
#include "tools/pictures/image8.h"

#include <cmath>
#include <cstddef>

std::uint8_t toByte(double v) { return static_cast<std::uint8_t>(std::floor(clamp01(v) * 255 + 0.5)); }

Image8 quantize(const Picture& picture) {
    Image8 image;
    image.width = picture.width;
    image.height = picture.height;
    image.rgba.resize(picture.pixels.size() * 4);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const Color& c = picture.pixels[i];
        std::uint8_t alpha = toByte(c.a);
        std::uint8_t* out = &image.rgba[i * 4];
        if (alpha == 0) {
            out[0] = out[1] = out[2] = out[3] = 0;
            continue;
        }
        out[0] = toByte(c.r / c.a);
        out[1] = toByte(c.g / c.a);
        out[2] = toByte(c.b / c.a);
        out[3] = alpha;
    }
    return image;
}

void bleedIntoTransparent(Image8& image) {
    std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    std::vector<std::uint8_t> reached(count, 0);
    std::vector<std::size_t> queue;
    queue.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (image.rgba[i * 4 + 3] != 0) {
            reached[i] = 1;
            queue.push_back(i);
        }
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
        std::size_t from = queue[head];
        int x = static_cast<int>(from % image.width);
        int y = static_cast<int>(from / image.width);
        const int steps[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
        for (const auto& step : steps) {
            int nx = x + step[0];
            int ny = y + step[1];
            if (nx < 0 || ny < 0 || nx >= image.width || ny >= image.height) continue;
            std::size_t to = static_cast<std::size_t>(ny) * image.width + nx;
            if (reached[to]) continue;
            reached[to] = 1;
            for (int k = 0; k < 3; ++k) image.rgba[to * 4 + k] = image.rgba[from * 4 + k];
            queue.push_back(to);
        }
    }
}
