// The game's command line, run as the real program with no display: what
// each command line prints and the status it ends with, before any window.
#include "app/command_line.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/temp_files.h"
#include "tests/test_support.h"

namespace {

struct GameRun {
    int status = -1;
    std::string out;
    std::string err;
};

GameRun runGame(const std::string& arguments) {
    TempFolder folder;
    const std::string out = folder.file("out"), err = folder.file("err");
    // No display at all: these must all be answered before GLUT is started.
    const int raw = std::system(("env -u DISPLAY " VELMORA_GAME " " + arguments + " >" + out + " 2>" + err).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readText(out), readText(err)};
}

struct Case {
    const char* arguments;
    int status;
    const char* inOut;  // text expected on standard output ("" for none)
    const char* inErr;  // text expected on standard error ("" for none)
};

const Case cases[] = {
    {"--version", 0, VELMORA_VERSION "\n", ""},
    {"--help", 0, "--fullscreen", ""},
    {"--help", 0, "--fps N", ""},
    {"--help", 0, "--mute", ""},
    {"--mute=loud", 2, "", "loud"},
    {"-display :99 --version", 0, VELMORA_VERSION "\n", ""},  // X options pass by
    {"--fullscreen --fps 30 --version", 0, VELMORA_VERSION "\n", ""},
    {"--bogus", 2, "", "--bogus"},
    {"stray", 2, "", "stray"},
    {"--fps", 2, "", "--fps"},
    {"--fps fast", 2, "", "fast"},
    {"--fps -1", 2, "", "--fps"},
    {"--fps 1001", 2, "", "1001"},
    {"--fps 2.5", 2, "", "2.5"},
    {"--fullscreen=maybe", 2, "", "maybe"},
    {"--record", 2, "", "--record"},
    {"--help", 0, "--play FILE", ""},
    {"--speed 2", 2, "", "--play"},  // a speed needs a recording to watch
    {"--play a.rec --record b.rec", 2, "", "--record"},
    {"--play a.rec --speed 0", 2, "", "0 is not a speed"},
    {"--play a.rec --speed inf", 2, "", "inf"},
    {"--play a.rec --speed 1001", 2, "", "1001"},
    {"--record ''", 2, "", "a file name is needed"},
    {"--trace=", 2, "", "--trace"},
    {"--record same.txt --trace same.txt", 2, "", "the same file"},
    {"--record /tmp/same.txt --trace /tmp/../tmp/./same.txt", 2, "", "the same file"},
};

TEST(CommandLine, EachCommandLineEndsWithItsStatusAndSaysWhy) {
    for (const Case& c : cases) {
        const GameRun run = runGame(c.arguments);
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        if (c.status == 0) {
            EXPECT_NE(run.out.find(c.inOut), std::string::npos) << run.out;
            EXPECT_EQ(run.err, "");
        } else {
            // What was wrong, then the usage so the player sees what is right.
            EXPECT_NE(run.err.find(c.inErr), std::string::npos) << run.err;
            EXPECT_NE(run.err.find("--fullscreen"), std::string::npos) << run.err;
            EXPECT_EQ(run.out, "");
        }
    }
    EXPECT_EQ(runGame("--version").out, VELMORA_VERSION "\n");  // the version alone, nothing else
}

TEST(CommandLine, OptionsAreReadAndGlutsOwnAreHandedOnInOrder) {
    std::vector<std::string> words = {"velmora",      "-geometry", "640x480+5+5", "--fps",    "30",
                                      "--fullscreen", "-iconic",   "--record",    "game.txt", "--trace=t.json", "--mute"};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    CommandLine line;
    ASSERT_EQ(readCommandLine(static_cast<int>(argv.size()), argv.data(), line), -1);
    EXPECT_TRUE(line.fullscreen);
    EXPECT_TRUE(line.mute);
    EXPECT_EQ(line.framesPerSecond, 30);
    EXPECT_EQ(line.recordPath, "game.txt");
    EXPECT_EQ(line.tracePath, "t.json");
    ASSERT_EQ(line.glutArguments.size(), 4u);
    EXPECT_STREQ(line.glutArguments[0], "velmora");
    EXPECT_STREQ(line.glutArguments[1], "-geometry");
    EXPECT_STREQ(line.glutArguments[2], "640x480+5+5");
    EXPECT_STREQ(line.glutArguments[3], "-iconic");

    CommandLine plain;
    ASSERT_EQ(readCommandLine(1, argv.data(), plain), -1);
    EXPECT_FALSE(plain.fullscreen);
    EXPECT_FALSE(plain.mute);
    EXPECT_EQ(plain.framesPerSecond, frameRateOfDisplay);
    EXPECT_TRUE(plain.recordPath.empty());
}

// -geometry's size becomes the window's, its height held at 3/4 of the width
// as a resize holds it; a size no window can have is said in one line.
TEST(CommandLine, GeometrySizeBecomesTheWindowsSizeAtFourToThree) {
    const struct {
        const char* geometry;
        int width, height;
        bool said;
    } cases[] = {
        {"640x480+5+5", 640, 480, false}, {"1000x500", 1000, 750, false}, {"=1024X768-0-0", 1024, 768, false},
        {"+10+10", 800, 600, false},      {"wide", 800, 600, false},      {"0x0", 800, 600, true},
        {"1x600", 800, 600, true},        {"8193x6000", 800, 600, true},  {"99999999999999999999x1", 800, 600, true},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words = {"velmora", "-geometry", c.geometry};
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        CommandLine line;
        const std::string said = captureDiagnostics(
            [&] { EXPECT_EQ(readCommandLine(static_cast<int>(argv.size()), argv.data(), line), -1) << c.geometry; });
        EXPECT_EQ(line.windowWidth, c.width) << c.geometry;
        EXPECT_EQ(line.windowHeight, c.height) << c.geometry;
        EXPECT_EQ(said.empty(), !c.said) << c.geometry << ": " << said;
        if (c.said) {
            EXPECT_EQ(said.find(std::string("-geometry ") + c.geometry + ": "), 0u) << said;
        }
        ASSERT_EQ(line.glutArguments.size(), 3u) << "the position is still GLUT's";
    }
}

}  // namespace
