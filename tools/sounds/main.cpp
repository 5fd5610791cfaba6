// make-sounds OUTDIR writes the sounds Velmora plays, every take of each, as
// 16-bit mono WAV files. Every run writes the same bytes: no clock, no seeds from outside.
#include <filesystem>
#include <iostream>
#include <string>

#include "tools/sounds/sounds.h"

namespace {

struct Entry {
    const char* file;
    Sound (*make)(int variant);
    int variant;
};

// The makers of single sounds take no variant.
template <Sound (*make)()>
Sound only(int) {
    return make();
}

const Entry entries[] = {
    {"pick_up.wav", only<makePickUp>, 0},
    {"put_down_1.wav", makePutDown, 0},
    {"put_down_2.wav", makePutDown, 1},
    {"put_down_3.wav", makePutDown, 2},
    {"pop_1.wav", makePop, 0},
    {"pop_2.wav", makePop, 1},
    {"pop_3.wav", makePop, 2},
    {"bubbles.wav", only<makeBubbles>, 0},
    {"brush_in.wav", only<makeBrushIn>, 0},
    {"brush_scrub.wav", only<makeBrushScrub>, 0},
    {"brush_strike_1.wav", makeBrushStrike, 0},
    {"brush_strike_2.wav", makeBrushStrike, 1},
    {"brush_strike_3.wav", makeBrushStrike, 2},
    {"brush_out.wav", only<makeBrushOut>, 0},
    {"drill_whirr.wav", only<makeDrillWhirr>, 0},
    {"drill_strike_1.wav", makeDrillStrike, 0},
    {"drill_strike_2.wav", makeDrillStrike, 1},
    {"drill_strike_3.wav", makeDrillStrike, 2},
    {"drill_out.wav", only<makeDrillOut>, 0},
    {"crack_1.wav", makeCrack, 0},
    {"crack_2.wav", makeCrack, 1},
    {"crack_3.wav", makeCrack, 2},
    {"thud.wav", only<makeThud>, 0},
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
    for (const Entry& e : entries) ok = writeWav(folder + "/" + e.file, e.make(e.variant)) && ok;
    return ok ? 0 : 1;
}
