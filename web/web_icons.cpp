// The browser game's home-screen icons, drawn by the picture generator's own
// icon at the two sizes a web app manifest asks for, so that neither is a
// stretched copy of a desktop icon.
//   web-icons OUTDIR     writes OUTDIR/icon-192.png and OUTDIR/icon-512.png
#include <iostream>
#include <string>

#include "tools/pictures/pictures.h"
#include "tools/pictures/png_output.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]).empty()) {
        std::cerr << "usage: web-icons OUTDIR\n";
        return 2;
    }
    bool ok = true;
    for (int side : {192, 512})
        ok = writePngPicture(std::string(argv[1]) + "/icon-" + std::to_string(side) + ".png", drawIcon(side)) && ok;
    return ok ? 0 : 1;
}
