// Targa encoding: 32-bit, top row first, run-length packed when that is
// smaller. Packets never cross a row end, as older readers expect.
#include "tools/pictures/targa_writer.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/pictures/image8.h"

namespace {

constexpr std::uint8_t targaUncompressed = 2;
constexpr std::uint8_t targaRunLength = 10;
constexpr std::uint8_t alphaBitsAndTopRowFirst = 8 | 32;
constexpr int maxPacketPixels = 128;

std::vector<std::uint8_t> targaHeader(const Image8& image, std::uint8_t type) {
    std::vector<std::uint8_t> header(18, 0);
    header[2] = type;
    header[12] = static_cast<std::uint8_t>(image.width & 0xff);
    header[13] = static_cast<std::uint8_t>(image.width >> 8);
    header[14] = static_cast<std::uint8_t>(image.height & 0xff);
    header[15] = static_cast<std::uint8_t>(image.height >> 8);
    header[16] = 32;
    header[17] = alphaBitsAndTopRowFirst;
    return header;
}

void appendPixel(std::vector<std::uint8_t>& out, const std::uint8_t* rgba) {
    out.push_back(rgba[2]);
    out.push_back(rgba[1]);
    out.push_back(rgba[0]);
    out.push_back(rgba[3]);
}

std::vector<std::uint8_t> encodeUncompressed(const Image8& image) {
    std::vector<std::uint8_t> out = targaHeader(image, targaUncompressed);
    for (std::size_t i = 0; i * 4 < image.rgba.size(); ++i) appendPixel(out, &image.rgba[i * 4]);
    return out;
}

std::vector<std::uint8_t> encodeRunLength(const Image8& image) {
    std::vector<std::uint8_t> out = targaHeader(image, targaRunLength);
    auto pixelAt = [&](int x, int y) { return &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4]; };
    auto same = [](const std::uint8_t* a, const std::uint8_t* b) {
        return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
    };
    for (int y = 0; y < image.height; ++y) {
        int x = 0;
        while (x < image.width) {
            int run = 1;
            while (x + run < image.width && run < maxPacketPixels && same(pixelAt(x, y), pixelAt(x + run, y))) ++run;
            if (run >= 2) {
                out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
                appendPixel(out, pixelAt(x, y));
                x += run;
                continue;
            }
            // Gather differing pixels until the next repeat begins.
            int raw = 1;
            while (x + raw < image.width && raw < maxPacketPixels &&
                   !(x + raw + 1 < image.width && same(pixelAt(x + raw, y), pixelAt(x + raw + 1, y))))
                ++raw;
            out.push_back(static_cast<std::uint8_t>(raw - 1));
            for (int i = 0; i < raw; ++i) appendPixel(out, pixelAt(x + i, y));
            x += raw;
        }
    }
    return out;
}

std::vector<std::uint8_t> encodeTarga(const Image8& image) {
    std::vector<std::uint8_t> packed = encodeRunLength(image);
    std::vector<std::uint8_t> plain = encodeUncompressed(image);
    return packed.size() < plain.size() ? packed : plain;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

bool writePicture(const std::string& folder, const char* name, const Picture& picture) {
    Image8 image = quantize(picture);
    bleedIntoTransparent(image);
    std::string path = folder + "/" + name;
    if (writeFile(path, encodeTarga(image))) return true;
    std::printf("cannot write %s\n", path.c_str());
    std::fflush(stdout);
    return false;
}
