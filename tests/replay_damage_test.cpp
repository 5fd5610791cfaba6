// Frames drawn in parts against frames drawn whole: the pinned game and a
// ten-minute soak, each replayed twice side by side, with a shot after every
// frame of a busy stretch (food dragged onto the teeth, bacteria born) and
// after random frames across the rest. Every shot must match pixel for pixel,
// and the traces too.
#include <gtest/gtest.h>

#include <cstdio>
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

// Replays the script drawn whole and drawn in parts, side by side, and
// compares the shots of the chosen frames.
void expectSameShots(const std::string& game, const std::set<int>& shots) {
    int total = 0;
    const std::string script = shootingScript(game, shots, total);
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

// Adds random frames of the game's total until there are `count` shots.
void addRandomFrames(std::set<int>& shots, int total, std::size_t count) {
    std::mt19937 pick(static_cast<unsigned>(std::random_device{}()));
    while (shots.size() < count) shots.insert(std::uniform_int_distribution<int>(1, total)(pick));
}

}  // namespace

TEST(ReplayDamage, ThePinnedGameDrawnInPartsMatchesWholeFrames) {
    std::ifstream pinned("tests/replay_scripts/pinned_game.txt");
    ASSERT_TRUE(pinned) << "run from the source folder";
    std::ostringstream game;
    game << pinned.rdbuf();
    int total = 0;
    shootingScript(game.str(), {}, total);
    ASSERT_GT(total, stretchFirst + stretchFrames);
    std::set<int> shots;
    for (int frame = stretchFirst; frame < stretchFirst + stretchFrames; ++frame) shots.insert(frame);
    addRandomFrames(shots, total, stretchFrames + randomFrames);
    expectSameShots(game.str(), shots);
}

// Ten minutes of the soak's play (food dragged back onto the teeth every
// second, the brush and the drill coming and going) in a 400 x 300 window: the
// soak's drags are given in the 800 x 600 window's pixels, so they are halved.
TEST(ReplayDamage, ATenMinuteSoakDrawnInPartsMatchesWholeFrames) {
    FILE* made = popen("bash tools/make_soak_script.sh 600 16", "r");
    ASSERT_NE(made, nullptr);
    std::ostringstream game;
    game << "reshape 400 300\n";
    char line[256];
    while (std::fgets(line, sizeof line, made)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        int button = 0, state = 0, x = 0, y = 0;
        if (word == "mouse" && words >> button >> state >> x >> y)
            game << "mouse " << button << " " << state << " " << x / 2 << " " << y / 2 << "\n";
        else if (word == "motion" && words >> x >> y)
            game << "motion " << x / 2 << " " << y / 2 << "\n";
        else
            game << line;
    }
    ASSERT_EQ(pclose(made), 0) << "run from the source folder";
    int total = 0;
    shootingScript(game.str(), {}, total);
    ASSERT_EQ(total, 37500);
    std::set<int> shots;
    addRandomFrames(shots, total, stretchFrames + randomFrames);
    expectSameShots(game.str(), shots);
}
