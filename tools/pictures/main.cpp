// make-pictures OUTDIR draws the pictures Velmora loads (the mouth, the tooth
// atlas, a bacterium, a sweet, the brush, the drill, and the signs and digits
// laid over the mouth) as 32-bit Targa files; make-pictures --icons OUTDIR
// draws its desktop icons as RGBA PNG files.
// Every run writes the same bytes: no clock, no seeds.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <string>

#include "tools/pictures/lettering.h"
#include "tools/pictures/pictures.h"
#include "tools/pictures/png_output.h"
#include "tools/pictures/targa_writer.h"

namespace {

constexpr int iconSides[] = {48, 128, 256};
constexpr int badUsageStatus = 2;

bool writeGamePictures(const std::string& folder) {
    bool ok = writePicture(folder, "bg.tga", drawBackground());
    ok = writePicture(folder, "teeth.tga", drawTeeth()) && ok;
    ok = writePicture(folder, "bacteria.tga", drawBacterium()) && ok;
    ok = writePicture(folder, "food.tga", drawFood()) && ok;
    ok = writePicture(folder, "brush.tga", drawBrush()) && ok;
    ok = writePicture(folder, "drill.tga", drawDrill()) && ok;
    ok = writePicture(folder, "paused.tga", drawPausedSign()) && ok;
    if (!fontsFound()) return false;
    ok = writePicture(folder, "help.tga", drawHelpSign()) && ok;
    ok = writePicture(folder, "ended.tga", drawEndedSign()) && ok;
    ok = writePicture(folder, "watching.tga", drawWatchingLabel()) && ok;
    ok = writePicture(folder, "digits.tga", drawDigits()) && ok;
    return ok;
}

bool writeIcons(const std::string& folder) {
    bool ok = true;
    for (int side : iconSides)
        ok = writePngPicture(folder + "/velmora-" + std::to_string(side) + ".png", drawIcon(side)) && ok;
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Draws Velmora's pictures, the same bytes on every run.", "make-pictures"};
    std::string pictureFolder;
    std::string iconFolder;
    auto* pictures = app.add_option("OUTDIR", pictureFolder, "Folder for the game's pictures (bg.tga, teeth.tga, ...)");
    auto* icons = app.add_option("--icons", iconFolder, "Folder for the desktop icons velmora-48/128/256.png")
                      ->option_text("OUTDIR");
    pictures->excludes(icons);
    app.require_option(1);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        std::cerr << app.help();
        return badUsageStatus;
    }

    bool drawIcons = icons->count() > 0;
    std::string folder = drawIcons ? iconFolder : pictureFolder;
    if (folder.empty()) {  // would write into the root folder
        std::cerr << "make-pictures: the output folder has no name\n";
        return badUsageStatus;
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    bool ok = drawIcons ? writeIcons(folder) : writeGamePictures(folder);
    return ok ? 0 : 1;
}
