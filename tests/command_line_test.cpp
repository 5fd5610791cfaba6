// The game's command line, run as the real program with no display: what
// each command line prints and the status it ends with, before any window.
#include "app/command_line.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/temp_files.h"
#include "tests/test_support.h"

namespace {

struct GameRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the game in the folder `from` (the test's own when empty).
GameRun runGame(const std::string& arguments, const std::string& from = "") {
    TempFolder folder;
    const std::string out = folder.file("out"), err = folder.file("err");
    const std::string cd = from.empty() ? "" : "cd '" + from + "' && ";
    // No display at all: these must all be answered before GLUT is started.
    const int raw =
        std::system((cd + "env -u DISPLAY " VELMORA_GAME " " + arguments + " >" + out + " 2>" + err).c_str());
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
    {"--play a.rec --speed inf", 2, "", "inf"},
    {"--play a.rec --speed 1001", 2, "", "1001"},
    // A speed at which the window seems to stand still for good.
    {"--play a.rec --speed 0.0000000001", 2, "", "0.0000000001 is not a speed"},
    {"--play a.rec --speed 0.009", 2, "", "0.009 is not a speed"},
    {"--play a.rec --speed .", 2, "", ". is not a speed"},
    {"--play a.rec --speed 1e3", 2, "", "1e3"},
    {"--play ''", 2, "", "a file name is needed"},
    {"--play=", 2, "", "--play"},
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

// Speeds a person would watch at, from a hundredth to a thousand times, and
// 0 for as fast as the machine goes, as the page takes them.
TEST(CommandLine, SpeedsFromAHundredthToAThousandAndZeroAreTaken) {
    const struct {
        const char* text;
        double speed;
    } cases[] = {{"0", 0}, {"0.0", 0}, {"0.01", 0.01}, {"0.5", 0.5}, {"4", 4}, {"1000", 1000}, {"1000.0", 1000}};
    for (const auto& c : cases) {
        std::vector<std::string> words = {"velmora", "--play", "a.rec", "--speed", c.text};
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        CommandLine line;
        EXPECT_EQ(readCommandLine(static_cast<int>(argv.size()), argv.data(), line), -1) << c.text;
        EXPECT_EQ(line.playSpeed, c.speed) << c.text;
    }
}

// A trace written over the recording being watched would destroy it: the
// same file under any name is refused before anything is opened, and the
// recording is left as it was.
TEST(CommandLine, ATraceIntoTheWatchedRecordingIsRefusedUnderAnyName) {
    TempFolder folder;
    const std::string recording = folder.file("game.rec");
    const std::string content = "# velmora 1.0.0, window 800 x 600\nframe 16\nframe 33\n";
    std::ofstream(recording) << content;
    std::filesystem::create_symlink(recording, folder.file("link.rec"));
    std::filesystem::create_hard_link(recording, folder.file("hard.rec"));
    std::filesystem::create_directory(folder.file("sub"));
    const std::string traces[] = {recording, folder.file("link.rec"), folder.file("hard.rec"),
                                  folder.file("sub/../game.rec"), folder.file("./game.rec")};
    for (const std::string& trace : traces) {
        const GameRun run = runGame("--play " + recording + " --trace " + trace);
        SCOPED_TRACE(trace);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_NE(run.err.find("--play and --trace name the same file"), std::string::npos) << run.err;
        EXPECT_EQ(readText(recording), content);
    }
    // From inside the folder, the same file by its bare name.
    const GameRun bare = runGame("--play game.rec --trace ./game.rec", folder.file("."));
    EXPECT_EQ(bare.status, 2) << bare.err;
    EXPECT_EQ(readText(recording), content);
}

// A web page saved on one line, or an empty file, was never a recording: it is
// refused before any window opens, not watched as a game of no frames.
TEST(CommandLine, AFileWithoutOneWholeLineIsNotWatched) {
    TempFolder folder;
    std::ofstream(folder.file("page.rec")) << "<!DOCTYPE html><html><body>Not found</body></html>";
    std::ofstream(folder.file("empty.rec"));
    const std::pair<const char*, const char*> cases[] = {
        {"page.rec", "page.rec: line 1 has no newline: not a recording"},
        {"empty.rec", "empty.rec: line 1 is missing: an empty text is not a recording"}};
    for (const auto& [name, said] : cases) {
        const GameRun run = runGame(std::string("--play ") + name, folder.file("."));
        EXPECT_EQ(run.status, 2) << name << ": " << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(said), std::string::npos) << run.out << run.err;
    }
}

TEST(CommandLine, OptionsAreReadAndGlutsOwnAreHandedOnInOrder) {
    std::vector<std::string> words = {"velmora", "-geometry", "640x480+5+5", "--fps",          "30",    "--fullscreen",
                                      "-iconic", "--record",  "game.txt",    "--trace=t.json", "--mute"};
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
