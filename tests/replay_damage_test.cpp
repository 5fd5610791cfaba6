// Frames drawn in parts against frames drawn whole: the pinned game replayed
// twice, side by side, with a shot after every frame of a busy stretch (food
// dragged onto the teeth, bacteria born) and after random frames across the
// rest. Every shot must match pixel for pixel, and the traces too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <set>
#include <sstream>

#include "tests/replay_test_support.h"
#include "tests/shooting_script.h"

namespace {

constexpr int stretchFirst = 4740;
constexpr int stretchFrames = 60;
constexpr int randomFrames = 39;  // a script writes at most 100 shots

int replayIn(const std::string& folder, bool wholeFrames) {
    const std::string command = "cd '" + folder + "' && VELMORA_WHOLE_FRAMES=" + (wholeFrames ? "1" : "0") +
                                " '" VELMORA_REPLAY "' script.txt > trace.txt 2> errors.txt";
    return std::system(command.c_str());
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(ReplayDamage, FramesDrawnInPartsMatchWholeFramesPixelForPixel) {
    std::ifstream pinned("tests/replay_scripts/pinned_game.txt");
    ASSERT_TRUE(pinned) << "run from the source folder";
    std::ostringstream game;
    game << pinned.rdbuf();

    int total = 0;
    shootingScript(game.str(), {}, total);
    ASSERT_GT(total, stretchFirst + stretchFrames);
    std::set<int> shots;
    for (int frame = stretchFirst; frame < stretchFirst + stretchFrames; ++frame) shots.insert(frame);
    std::mt19937 pick(static_cast<unsigned>(std::random_device{}()));
    while (shots.size() < static_cast<std::size_t>(stretchFrames + randomFrames))
        shots.insert(std::uniform_int_distribution<int>(1, total)(pick));
    const std::string script = shootingScript(game.str(), shots, total);

    const std::string wholeFolder = makeTemporaryFolder(), partsFolder = makeTemporaryFolder();
    for (const std::string& folder : {wholeFolder, partsFolder}) std::ofstream(folder + "/script.txt") << script;
    auto whole = std::async(std::launch::async, replayIn, wholeFolder, true);
    const int partsStatus = replayIn(partsFolder, false);
    ASSERT_EQ(whole.get(), 0) << fileText(wholeFolder + "/errors.txt");
    ASSERT_EQ(partsStatus, 0) << fileText(partsFolder + "/errors.txt");
    EXPECT_EQ(fileText(wholeFolder + "/trace.txt"), fileText(partsFolder + "/trace.txt")) << "the traces differ";

    int differing = 0;
    for (int frame : shots) {
        const Picture expected = readPng(wholeFolder + "/" + shotName(frame));
        const Picture drawn = readPng(partsFolder + "/" + shotName(frame));
        ASSERT_EQ(expected.width, drawn.width);
        ASSERT_EQ(expected.height, drawn.height);
        ASSERT_GT(expected.width, 0);
        for (int y = 0; y < expected.height; ++y)
            for (int x = 0; x < expected.width; ++x) {
                const Colour a = expected.at(x, y), b = drawn.at(x, y);
                if (a.r == b.r && a.g == b.g && a.b == b.b) continue;
                if (++differing <= 5)
                    ADD_FAILURE() << "frame " << frame << " pixel " << x << "," << y << ": " << b.r << " " << b.g << " "
                                  << b.b << " drawn in parts, " << a.r << " " << a.g << " " << a.b << " whole";
                x = expected.width, y = expected.height;
            }
    }
    EXPECT_EQ(differing, 0) << "frames differing";
    std::filesystem::remove_all(wholeFolder);
    std::filesystem::remove_all(partsFolder);
}
