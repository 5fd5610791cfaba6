// Watching recordings in the window (velmora --play) under Xvfb: the watched
// game's trace equals velmora-replay's byte for byte, for the pinned game and
// for a game recorded with xdotool's hands, while the watcher drags, types and
// resizes; the picture is the recorded view's, scaled; a damaged recording is
// refused before any window opens.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/game_exit.h"
#include "tests/replay_test_support.h"
#include "tests/temp_files.h"
#include "tests/x_session.h"

namespace {

using Clock = std::chrono::steady_clock;

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

const std::string endedLine = "The recording ended after ";

// velmora-replay's standard output, run from the project folder where img/ is.
std::string replayOutput(const std::string& arguments) {
    std::string out;
    if (std::FILE* pipe = popen(("'" VELMORA_REPLAY "' " + arguments + " 2>/dev/null").c_str(), "r")) {
        char buffer[65536];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
        pclose(pipe);
    }
    return out;
}

// The first line where two traces part, for a failure message.
std::string firstDifference(const std::string& watched, const std::string& replayed) {
    std::istringstream a(watched), b(replayed);
    std::string lineA, lineB;
    for (int n = 1;; ++n) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA)), moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB) return "none";
        if (lineA != lineB || moreA != moreB)
            return "frame " + std::to_string(n) + ":\n  watched  " + lineA.substr(0, 300) + "\n  replayed " +
                   lineB.substr(0, 300);
    }
}

class WatchedRecording : public ::testing::Test {
protected:
    XSession session;
    std::string folder;

    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("velmora-watch-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(session.start()) << "Xvfb would not start";
    }
    void TearDown() override {
        session.stop();
        std::filesystem::remove_all(folder);
    }

    // Waits, as long as a loaded machine may need, for a line in the game's log.
    bool waitForLine(const std::string& log, const std::string& start, int seconds) {
        const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end) {
            if (readText(log).find(start) != std::string::npos) return true;
            if (!session.gameRunning()) return false;
            pause(100);
        }
        return false;
    }
    bool waitForWindowSize(int width, int height) {
        int w = 0, h = 0;
        for (int i = 0; i < 200; ++i) {
            if (session.windowSize(w, h) && w == width && h == height) return true;
            pause(50);
        }
        return false;
    }
    void closeAndExpectStatusZero(const std::string& log) {
        ASSERT_TRUE(session.closeWindow());
        const int status = session.waitForGameExit(20000);
        expectGameEnded(status, 0, readText(log));
    }
    // The watcher's hands on the window: a drag across the food and teeth,
    // keys, a click of every button.
    void meddle() {
        const std::string w = session.windowId();
        session.run("xdotool mousemove --window " + w + " 325 50 mousedown 1 mousemove --window " + w +
                    " 93 218 mouseup 1 click 3 key a space Left Escape");
    }
};

TEST_F(WatchedRecording, ThePinnedGameWatchedIsTheReplaysGameAndPicture) {
    // With a shot after the first frame, which watching must not write.
    const std::string shot = folder + "/not-written.png";
    std::string script = readText("tests/replay_scripts/pinned_game.txt");
    ASSERT_FALSE(script.empty());
    const std::size_t firstFrame = script.find("\nframe");
    ASSERT_NE(firstFrame, std::string::npos);
    script.insert(script.find('\n', firstFrame + 1) + 1, "shot " + shot + "\n");
    const std::string recording = folder + "/pinned.rec", trace = folder + "/watched.jsonl", log = folder + "/log";
    writeFile(recording, Bytes(script.begin(), script.end()));

    ASSERT_TRUE(session.startGame(".", log, {"--play", recording, "--speed", "20", "--trace", trace}))
        << "no window titled Velmora appeared";
    const Clock::time_point windowSeen = Clock::now();
    meddle();
    session.run("xdotool windowsize " + session.windowId() + " 1000 500");
    meddle();
    ASSERT_TRUE(waitForLine(log, endedLine, 300)) << readText(log);
    // Paced: the recording's 120 s (17 to 120028 ms) at twenty times take 6 s at
    // least (the window is seen a little after the first frame, hence 1 s).
    const double watchedSeconds = std::chrono::duration<double>(Clock::now() - windowSeen).count();
    EXPECT_GE(watchedSeconds, 5.0) << "the recording was not watched on its own clock";
    EXPECT_NE(readText(log).find(endedLine + "5582 frames"), std::string::npos) << readText(log);

    const std::string watched = readText(trace);
    const std::string replayed = replayOutput("tests/replay_scripts/pinned_game.txt");
    ASSERT_FALSE(replayed.empty());
    EXPECT_TRUE(watched == replayed) << "first difference: " << firstDifference(watched, replayed);
    EXPECT_FALSE(std::filesystem::exists(shot));

    // The 160 x 120 view in the middle of a 1000 x 500 window, the page's dark
    // colour beside it, never the game's grey.
    ASSERT_TRUE(waitForWindowSize(1000, 500));
    const Screenshot wide = session.screenshot();
    ASSERT_EQ(wide.width, 1000);
    for (const int x : {0, 160, 840, 999}) {
        const unsigned char* p = wide.at(x, 250);
        EXPECT_EQ(std::vector<int>(p, p + 3), (std::vector<int>{42, 46, 53})) << "bar at x " << x;
    }
    // The lips run along the top and bottom of the box: nothing there is bar.
    int dark = 0;
    for (const int y : {20, 480})
        for (int x = 180; x < 820; ++x) dark += wide.at(x, y)[0] + wide.at(x, y)[1] + wide.at(x, y)[2] < 100;
    EXPECT_EQ(dark, 0) << "the mouth fills the box in the middle";

    // At the recorded size the last frame is shown pixel for pixel as the replay drew it.
    const std::string lastShot = folder + "/last.png";
    std::ofstream(folder + "/with-shot.txt")
        << readText("tests/replay_scripts/pinned_game.txt") << "shot " << lastShot << "\n";
    replayOutput("--no-draw '" + folder + "/with-shot.txt'");
    const Picture expected = readPng(lastShot);
    ASSERT_EQ(expected.width, 160);
    session.run("xdotool windowsize " + session.windowId() + " 160 120");
    ASSERT_TRUE(waitForWindowSize(160, 120));
    // A key takes the end sign away, to show the last frame bare.
    session.run("xdotool mousemove --window " + session.windowId() + " 80 60 key space");
    int differing = -1;
    for (int attempt = 0; attempt < 100 && differing != 0; ++attempt) {
        pause(50);  // until the watcher's window has drawn at its new size
        const Screenshot small = session.screenshot();
        if (small.width != 160 || small.height != 120) continue;
        differing = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) {
                const Colour c = expected.at(x, y);
                const unsigned char* p = small.at(x, y);
                differing += c.r != p[0] || c.g != p[1] || c.b != p[2];
            }
    }
    EXPECT_EQ(differing, 0) << "pixels differing from the replay's shot of the last frame";
    EXPECT_TRUE(session.gameRunning()) << "the last frame stays until the window is closed";
    closeAndExpectStatusZero(log);
}

TEST_F(WatchedRecording, AGameRecordedWithXdotoolWatchedIsTheReplaysGame) {
    const std::string recording = folder + "/game.rec", log = folder + "/log";
    ASSERT_TRUE(session.startGame(".", log, {"--record", recording})) << "no window titled Velmora appeared";
    const std::string w = session.windowId();
    pause(500);
    session.run("xdotool mousemove --window " + w + " 325 50 mousedown 1 mousemove --window " + w +
                " 200 130 mousemove --window " + w + " 93 218");
    pause(2000);
    session.run("xdotool mouseup 1 key a Left");
    // Wider: the game asks for 1000 x 750 and sees the food a quarter bigger.
    session.run("xdotool windowsize " + w + " 1000 500");
    pause(1000);
    session.run("xdotool mousemove --window " + w + " 500 62 mousedown 1 mousemove --window " + w +
                " 300 200 mousemove --window " + w + " 241 272");
    pause(2000);
    session.run("xdotool mouseup 1");
    pause(1000);
    ASSERT_TRUE(session.closeWindow());
    ASSERT_NE(session.waitForGameExit(20000), -1);
    const std::string recorded = readText(recording);
    ASSERT_NE(recorded.find("\nreshape 1000 750\n"), std::string::npos) << recorded.substr(0, 2000);

    const std::string trace = folder + "/watched.jsonl", watchLog = folder + "/watch-log";
    ASSERT_TRUE(session.startGame(".", watchLog, {"--play", recording, "--speed", "4", "--trace", trace}));
    meddle();
    ASSERT_TRUE(waitForLine(watchLog, endedLine, 300)) << readText(watchLog);
    const std::string watched = readText(trace);
    const std::string replayed = replayOutput("'" + recording + "'");
    ASSERT_GT(replayed.size(), 1000u);
    EXPECT_TRUE(watched == replayed) << "first difference: " << firstDifference(watched, replayed);
    // Bacteria bred on the fed tooth in the watched game too.
    EXPECT_NE(watched.find("\"n\":9"), std::string::npos);
    closeAndExpectStatusZero(watchLog);
}

TEST(DamagedRecording, IsRefusedWithTheLineAndFaultAndNoWindow) {
    TempFolder files;
    struct Case {
        const char* text;  // nullptr: no file at all
        const char* said;
    };
    const Case cases[] = {
        {"frame 20\nframe 10\n", ": line 2: MS 10 is before the last reading 20"},
        {"# velmora 1.0.0, window 800 x 600\nreshape 800 600\nfram 16\n", ": line 3: unknown command \"fram\""},
        {"mouse 0 0 10\n", ": line 1: expected \"mouse BUTTON STATE X Y\" (4 arguments), got 3"},
        {nullptr, ": not a recording file"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string recording = files.file("damaged" + std::to_string(++n) + ".rec");
        if (c.text) std::ofstream(recording) << c.text;
        const std::string out = files.file("out");
        // No display: a window would be a failure to start, not status 2.
        const int raw =
            std::system(("env -u DISPLAY " VELMORA_GAME " --play '" + recording + "' >'" + out + "' 2>&1").c_str());
        SCOPED_TRACE(recording);
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
        EXPECT_EQ(readText(out), "velmora: " + recording + c.said + "\n");
    }
}

}  // namespace
