// make-pictures OUTDIR: draws the six pictures Velmora loads (the mouth, the
// tooth atlas, a bacterium, a sweet, the brush and the drill) and writes them
// as 32-bit Targa files. Every run writes the same bytes: no clock, no seeds.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/pictures/pictures.h"
#include "tools/pictures/targa_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: make-pictures OUTDIR\n");
        return 2;
    }
    std::string folder = argv[1];
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    bool ok = writePicture(folder, "bg.tga", drawBackground());
    ok = writePicture(folder, "teeth.tga", drawTeeth()) && ok;
    ok = writePicture(folder, "bacteria.tga", drawBacterium()) && ok;
    ok = writePicture(folder, "food.tga", drawFood()) && ok;
    ok = writePicture(folder, "brush.tga", drawBrush()) && ok;
    ok = writePicture(folder, "drill.tga", drawDrill()) && ok;
    return ok ? 0 : 1;
}
