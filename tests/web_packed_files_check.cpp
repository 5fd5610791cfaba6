// The browser's pictures and sounds, as the page unpacks them, against the
// project's own files: every Targa must decode, through the game's reader, to
// the same size, depth and pixels; every other file must be the same bytes.
//   web_packed_files_check ORIGINALS UNPACKED NAME...   (NAME as the game reads it)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/targa.h"

namespace {

bool readWhole(const std::string& path, std::vector<unsigned char>& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

// Size, depth and pixels as the game would upload them; "" when they agree.
std::string pictureDifference(const std::vector<unsigned char>& original, const std::vector<unsigned char>& unpacked) {
    TargaImage a, b;
    const bool readA = decodeTarga(a, original.data(), original.size());
    const bool readB = decodeTarga(b, unpacked.data(), unpacked.size());
    std::string difference;
    if (!readA || !readB) {
        difference = readA ? "the unpacked picture does not decode" : "the original does not decode";
    } else if (a.imageWidth != b.imageWidth || a.imageHeight != b.imageHeight || a.bitsPerPixel != b.bitsPerPixel) {
        difference = "size or depth differs: " + std::to_string(a.imageWidth) + " x " + std::to_string(a.imageHeight) +
                     " at " + std::to_string(a.bitsPerPixel) + " against " + std::to_string(b.imageWidth) + " x " +
                     std::to_string(b.imageHeight) + " at " + std::to_string(b.bitsPerPixel);
    } else {
        const std::size_t size = static_cast<std::size_t>(a.imageWidth) * a.imageHeight * (a.bitsPerPixel / 8);
        for (std::size_t i = 0; i < size; ++i) {
            if (a.pixels[i] != b.pixels[i]) {
                difference = "byte " + std::to_string(i) + " of the pixels differs: " + std::to_string(a.pixels[i]) +
                             " against " + std::to_string(b.pixels[i]);
                break;
            }
        }
    }
    std::free(a.pixels);
    std::free(b.pixels);
    return difference;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::printf("usage: web_packed_files_check ORIGINALS UNPACKED NAME...\n");
        return 2;
    }
    int failures = 0;
    for (int i = 3; i < argc; ++i) {
        const std::string name = argv[i];
        const bool picture = name.size() > 4 && name.compare(name.size() - 4, 4, ".tga") == 0;
        std::vector<unsigned char> original, unpacked;
        std::string difference;
        if (!readWhole(std::string(argv[1]) + "/" + name, original))
            difference = "the original cannot be read";
        else if (!readWhole(std::string(argv[2]) + "/" + name, unpacked))
            difference = "the pack did not give it";
        else if (picture)
            difference = pictureDifference(original, unpacked);
        else if (original != unpacked)
            difference = "its bytes differ";
        if (difference.empty()) {
            std::printf("ok:   %s unpacks to the game's %s\n", name.c_str(), picture ? "pixels" : "bytes");
        } else {
            std::printf("FAIL: %s: %s\n", name.c_str(), difference.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
