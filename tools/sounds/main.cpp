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
    int rate = fullRate;
};

// The makers of single sounds take no variant.
template <Sound (*make)()>
Sound only(int) {
    return make();
}

const Entry entries[] = {
    {"pick_up.wav", only<makePickUp>, 0, softRate},
    {"put_down_1.wav", makePutDown, 0, softRate},
    {"put_down_2.wav", makePutDown, 1, softRate},
    {"put_down_3.wav", makePutDown, 2, softRate},
    {"pop_1.wav", makePop, 0},
    {"pop_2.wav", makePop, 1},
    {"pop_3.wav", makePop, 2},
    {"bubbles.wav", makeBubbles, 0, softRate},  // the first take keeps the bed's old name
    {"bubbles_2.wav", makeBubbles, 1, softRate},
    {"bubbles_3.wav", makeBubbles, 2, softRate},
    {"bubbles_4.wav", makeBubbles, 3, softRate},
    {"brush_in.wav", only<makeBrushIn>, 0, softRate},
    {"brush_scrub.wav", only<makeBrushScrub>, 0, softRate},
    {"brush_strike_1.wav", makeBrushStrike, 0},
    {"brush_strike_2.wav", makeBrushStrike, 1},
    {"brush_strike_3.wav", makeBrushStrike, 2},
    {"brush_out.wav", only<makeBrushOut>, 0, softRate},
    {"drill_whirr.wav", makeDrillWhirr, 0, softRate},
    {"drill_whirr_2.wav", makeDrillWhirr, 1, softRate},
    {"drill_whirr_3.wav", makeDrillWhirr, 2, softRate},
    {"drill_whirr_4.wav", makeDrillWhirr, 3, softRate},
    {"drill_strike_1.wav", makeDrillStrike, 0},
    {"drill_strike_2.wav", makeDrillStrike, 1},
    {"drill_strike_3.wav", makeDrillStrike, 2},
    {"drill_out.wav", only<makeDrillOut>, 0, softRate},
    {"crack_1.wav", makeCrack, 0},
    {"crack_2.wav", makeCrack, 1},
    {"crack_3.wav", makeCrack, 2},
    {"thud.wav", only<makeThud>, 0, softRate},
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
    for (const Entry& e : entries) {
        setSoundRate(e.rate);
        ok = writeWav(folder + "/" + e.file, e.make(e.variant)) && ok;
    }
    return ok ? 0 : 1;
}
