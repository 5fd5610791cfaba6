// A real game recorded as it is played: xdotool's hands under Xvfb, the game
// run with --record and --trace, and velmora-replay playing the recording back
// to the game's own trace, byte for byte. Also a game killed mid-play, and
// files the game cannot write.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "tests/game_exit.h"
#include "tests/temp_files.h"
#include "tests/x_session.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Replayed {
    int status = -1;
    std::string trace;
    std::string errors;
};

// velmora-replay on a recording, from the project folder where img/ is.
Replayed replay(const std::string& recording, const std::string& folder) {
    const std::string errors = folder + "/replay-errors.txt";
    const std::string command = "'" VELMORA_REPLAY "' '" + recording + "' 2>'" + errors + "'";
    Replayed out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.trace.append(buffer, got);
        const int status = pclose(pipe);
        out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    out.errors = readText(errors);
    return out;
}

int lastFrameMs(const std::vector<std::string>& recording) {
    int last = -1;
    for (const std::string& line : recording)
        if (line.rfind("frame ", 0) == 0) last = std::stoi(line.substr(6));
    return last;
}

// The bacteria on the first tooth by the last line of a trace.
int firstToothBacteria(const std::string& trace) {
    const std::string line = lastLine(trace);
    const std::size_t teeth = line.find("\"teeth\":");
    return teeth == std::string::npos ? -1 : static_cast<int>(jsonNumber(line.substr(teeth), "n"));
}

class RecordedGame : public ::testing::Test {
protected:
    XSession session;
    std::string folder;
    std::string recording, trace, log;

    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("velmora-record-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        recording = folder + "/game.rec";
        trace = folder + "/game.jsonl";
        log = folder + "/game.log";
        ASSERT_TRUE(session.start()) << "Xvfb would not start";
    }
    void TearDown() override {
        session.stop();
        std::filesystem::remove_all(folder);
    }
    void startRecordedGame() {
        ASSERT_TRUE(session.startGame(".", log, {"--record", recording, "--trace", trace}))
            << "no window titled Velmora appeared";
    }
    // Presses at (fromX, fromY), drags through a midpoint to (toX, toY) and
    // lets go once held() is true, all in window pixels.
    void drag(int fromX, int fromY, int toX, int toY, const std::function<bool()>& held) {
        const std::string w = session.windowId();
        const auto to = [&](int x, int y) {
            return " mousemove --window " + w + " " + std::to_string(x) + " " + std::to_string(y);
        };
        session.run("xdotool" + to(fromX, fromY) + " mousedown 1" + to((fromX + toX) / 2, (fromY + toY) / 2) +
                    to(toX, toY));
        EXPECT_TRUE(held()) << "while dragging to " << toX << ", " << toY;
        session.run("xdotool mouseup 1");
    }
};

TEST_F(RecordedGame, ReplayingTheRecordingGivesTheGamesOwnTrace) {
    startRecordedGame();
    const std::string w = session.windowId();
    const auto drawn = [&] { return session.waitForFrames(); };
    ASSERT_TRUE(drawn());
    // The left food onto the first tooth, where bacteria breed, then off again
    // to the empty top right corner.
    drag(325, 50, 93, 218, [&] { return waitUntil([&] { return firstToothBacteria(trace) >= 12; }, 20000); });
    ASSERT_TRUE(drawn());
    drag(93, 218, 700, 40, drawn);
    session.run("xdotool key a Left space");
    // Wider: the game asks for 1000 x 750 and receives it, so everything the
    // player sees is a quarter bigger from here on.
    session.run("xdotool windowsize " + w + " 1000 500");
    ASSERT_TRUE(session.waitForSize(1000, 750));
    ASSERT_TRUE(drawn());
    drag(500, 62, 116, 272, [&] { return drawn() && drawn(); });
    drag(116, 272, 875, 50, drawn);
    // The brush comes at about twenty seconds.
    ASSERT_TRUE(waitUntil([&] { return jsonNumber(lastLine(trace), "elapsedMs") > 21000; }, 60000));
    ASSERT_TRUE(session.closeWindow());
    const int status = session.waitForGameExit(20000);
    ASSERT_NE(status, -1) << "the game did not end when its window was closed";
    expectGameEnded(status, 0, readText(log));

    const std::vector<std::string> script = linesOf(readText(recording));
    ASSERT_FALSE(script.empty());
    EXPECT_EQ(script[0], "# velmora 1.0.0, window 800 x 600");
    // What reached the game: both reshapes of the resize (the one asked for and
    // the 4:3 one the game asked for in turn), the drags and the keys.
    for (const char* line :
         {"reshape 1000 500", "reshape 1000 750", "mouse 0 0 325 50", "motion 93 218", "mouse 0 1 93 218", "key a ",
          "keyup 97 ", "special 100 ", "specialup 100 ", "keycode 32 ", "keyup 32 "})
        EXPECT_EQ(countStarting(script, line), 1) << line;
    const std::string played = readText(trace);
    const std::vector<std::string> frames = linesOf(played);
    EXPECT_EQ(static_cast<int>(frames.size()), countStarting(script, "frame "));
    EXPECT_GT(lastFrameMs(script), 20000);
    // The food really lay on a tooth: bacteria bred there.
    int mostBacteria = 0;
    for (const std::string& f : frames)
        for (std::size_t at = f.find("\"n\":"); at != std::string::npos; at = f.find("\"n\":", at + 1))
            mostBacteria = std::max(mostBacteria, std::atoi(f.c_str() + at + 4));
    EXPECT_GT(mostBacteria, 8);

    const Replayed replayed = replay(recording, folder);
    EXPECT_EQ(replayed.status, 0) << replayed.errors;
    ASSERT_EQ(replayed.trace.size(), played.size());
    EXPECT_TRUE(replayed.trace == played) << "the replay's trace differs from the game's";
}

TEST_F(RecordedGame, AKilledGameLeavesARecordingThatReplaysToItsLastLine) {
    startRecordedGame();
    const Clock::time_point windowSeen = Clock::now();
    ASSERT_TRUE(session.waitForFrames());
    drag(325, 50, 93, 218, [&] { return waitUntil([&] { return firstToothBacteria(trace) >= 8; }, 20000); });
    session.run("xdotool mousedown --window " + session.windowId() + " 1");  // a drag cut off by the kill
    ASSERT_TRUE(session.waitForFrames());
    // Frames enough to compare, however slowly a busy machine draws them.
    ASSERT_TRUE(waitUntil([&] { return linesOf(readText(trace)).size() > 120; }, 60000));
    session.signalGame(SIGKILL);
    const auto killedAfterMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - windowSeen).count();
    ASSERT_EQ(session.waitForGameExit(5000), 128 + SIGKILL);

    const std::string text = readText(recording);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n') << "only whole lines are written out";
    const std::vector<std::string> script = linesOf(text);
    // The game's clock started before its window was seen: it read at least
    // killedAfterMs at the kill, so this much at most went unwritten.
    EXPECT_LE(killedAfterMs - lastFrameMs(script), patienceMs(1000))
        << "killed " << killedAfterMs << " ms after the window";

    const Replayed replayed = replay(recording, folder);
    ASSERT_EQ(replayed.status, 0) << replayed.errors;
    const std::vector<std::string> again = linesOf(replayed.trace);
    const std::vector<std::string> played = linesOf(readText(trace));
    EXPECT_EQ(static_cast<int>(again.size()), countStarting(script, "frame "));
    ASSERT_GT(std::min(again.size(), played.size()), 100u);
    for (std::size_t i = 0; i < std::min(again.size(), played.size()); ++i)
        ASSERT_EQ(again[i], played[i]) << "frame " << i + 1;
}

TEST_F(RecordedGame, FilesThatCannotBeWrittenAreReportedAndTheGamePlaysOn) {
    // A full disk takes the opened recording; a missing folder the trace.
    ASSERT_TRUE(session.startGame(".", log, {"--record", "/dev/full", "--trace", folder + "/no/such/trace"}));
    drag(325, 50, 93, 218, [&] { return session.waitForFrames(); });
    // The recording fails at its first write out, a few frames in.
    EXPECT_TRUE(waitUntil([&] { return readText(log).find("/dev/full") != std::string::npos; }, 10000));
    EXPECT_TRUE(session.gameRunning());
    const std::vector<std::string> said = linesOf(readText(log));
    EXPECT_EQ(countStarting(said, "Cannot write the recording /dev/full: No space left on device"), 1) << readText(log);
    EXPECT_EQ(countStarting(said, "Cannot write the trace " + folder + "/no/such/trace: No such file"), 1)
        << readText(log);
}

}  // namespace
