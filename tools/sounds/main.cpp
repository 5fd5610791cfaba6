// make-sounds OUTDIR writes the thirteen sounds Velmora plays as 16-bit mono
// WAV files. Every run writes the same bytes: no clock, no seeds from outside.
#include <filesystem>
#include <iostream>
#include <string>

#include "tools/sounds/sounds.h"

namespace {

struct Entry {
    const char* file;
    Sound (*make)();
};

const Entry entries[] = {
    {"pick_up.wav", makePickUp},
    {"put_down.wav", makePutDown},
    {"pop.wav", makePop},
    {"bubbles.wav", makeBubbles},
    {"brush_in.wav", makeBrushIn},
    {"brush_scrub.wav", makeBrushScrub},
    {"brush_strike.wav", makeBrushStrike},
    {"brush_out.wav", makeBrushOut},
    {"drill_whirr.wav", makeDrillWhirr},
    {"drill_strike.wav", makeDrillStrike},
    {"drill_out.wav", makeDrillOut},
    {"crack.wav", makeCrack},
    {"thud.wav", makeThud},
};

constexpr int badUsageStatus = 2;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]).empty() || argv[1][0] == '-') {
        std::cerr << "usage: make-sounds OUTDIR   (writes Velmora's sounds as WAV files into OUTDIR)\n";
        return badUsageStatus;
    }
    const std::string folder = argv[1];
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    bool ok = true;
    for (const Entry& e : entries) ok = writeWav(folder + "/" + e.file, e.make()) && ok;
    return ok ? 0 : 1;
}
