// The browser build's PNG reader: libpng is not built for WebAssembly, so PNG
// pictures are refused with the game's usual "not found" line. It stands in for
// gfx/png_image.cpp; the six pictures the game loads are Targa files.
#include <unistd.h>

#include <string>

#include "gfx/diagnostic.h"
#include "gfx/png_image.h"

namespace {

// The name the file was opened by, relative to the working folder as the game
// names its pictures (emscripten's file system knows it through /proc/self/fd).
std::string openedName(std::FILE* file) {
    char name[512];
    const std::string link = "/proc/self/fd/" + std::to_string(fileno(file));
    const ssize_t length = readlink(link.c_str(), name, sizeof name - 1);
    if (length <= 0) return "(a PNG picture)";
    std::string path(name, static_cast<std::size_t>(length));
    char folder[512];
    if (getcwd(folder, sizeof folder)) {
        std::string prefix(folder);
        if (prefix.empty() || prefix.back() != '/') prefix += '/';
        if (path.compare(0, prefix.size(), prefix) == 0) path.erase(0, prefix.size());
    }
    return path;
}

}  // namespace

bool decodePngFile(std::FILE* file, ImageBuffer&) {
    reportLine("Texture file " + openedName(file) + " not found");
    return false;
}

bool decodePngMemory(const unsigned char*, std::size_t, ImageBuffer&) { return false; }
