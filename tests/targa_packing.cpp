#include "tests/targa_packing.h"

#include <cstddef>
#include <cstring>

std::vector<unsigned char> runLengthEncode(const std::vector<unsigned char>& pixels, int fileBytes) {
    std::vector<unsigned char> out;
    const std::size_t size = static_cast<std::size_t>(fileBytes);
    const std::size_t count = pixels.size() / size;
    auto same = [&](std::size_t a, std::size_t b) {
        return std::memcmp(&pixels[a * size], &pixels[b * size], size) == 0;
    };
    std::size_t i = 0;
    while (i < count) {
        std::size_t n = 1;
        while (i + n < count && n < 128 && same(i, i + n)) ++n;
        if (n > 1) {
            out.push_back(static_cast<unsigned char>(128 | (n - 1)));
            out.insert(out.end(), &pixels[i * size], &pixels[(i + 1) * size]);
        } else {
            while (i + n < count && n < 128 && !same(i + n - 1, i + n)) ++n;
            out.push_back(static_cast<unsigned char>(n - 1));
            out.insert(out.end(), &pixels[i * size], &pixels[(i + n) * size]);
        }
        i += n;
    }
    return out;
}
