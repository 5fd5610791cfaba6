// The desktop program under trouble, each as a hostile trial found it: a
// reader that goes away, a trace with nowhere to go, a file-size limit, a
// recording cut in a line, a driver that refuses framebuffers, and a window
// started iconified. The game says what it could not do and goes on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/game_exit.h"
#include "tests/temp_files.h"
#include "tests/x_session.h"

namespace {

using Clock = std::chrono::steady_clock;

// A short recording: the start of the pinned game.
std::string shortRecording(const TempFolder& folder, bool cutInALine = false) {
    std::ifstream in(std::string(VELMORA_SOURCE) + "/tests/replay_scripts/pinned_game.txt");
    const std::string path = folder.file(cutInALine ? "cut-in-a-line.rec" : "short.rec");
    std::ofstream out(path);
    int lines = 0;
    for (std::string line; lines < 40 && std::getline(in, line); ++lines) out << line << "\n";
    if (cutInALine) out << "frames 10";  // a write cut short: no newline, and digits lost
    return path;
}

class DesktopTrouble : public ::testing::Test {
protected:
    XSession session;
    TempFolder folder;
    std::string log = folder.file("game.log");
    std::string wave = folder.file("alsoft.conf");

    void SetUp() override {
        ASSERT_TRUE(session.start()) << "Xvfb would not start";
        // OpenAL Soft's file output: without it, OpenAL Soft would try
        // PulseAudio's client library, which ignores SIGPIPE for the whole
        // process and so would hide the very fault looked for.
        std::ofstream(wave) << "drivers=wave\n[wave]\nfile=" << folder.file("heard.wav") << "\n";
        session.gameEnvironment = {"ALSOFT_CONF=" + wave};
    }
    bool waitForLine(const std::string& text, int baseMs = 30000) {
        return waitUntil([&] { return readText(log).find(text) != std::string::npos; }, baseMs);
    }
    int closeGame() {
        if (!session.closeWindow()) return -1;
        return session.waitForGameExit(20000);
    }
};

// The exit status of the game run in a shell pipeline, killed by timeout if
// it is still running after a few seconds (status 124).
TEST_F(DesktopTrouble, AReaderThatGoesAwayDoesNotEndTheGame) {
    const std::string recording = shortRecording(folder);
    const std::string game = "ALSOFT_CONF='" + wave + "' timeout 6 '" VELMORA_GAME "' --play '" + recording + "'";
    for (const std::string& pipeline : {game + " | true", game + " --trace /dev/stdout | head -c 100 >/dev/null"}) {
        const std::string status = session.run("bash -c \"" + pipeline + "; echo \\${PIPESTATUS[0]}\" 2>/dev/null");
        EXPECT_EQ(status, "124\n") << pipeline << ": 141 is a game killed by SIGPIPE";
    }
}

TEST_F(DesktopTrouble, AWatchThatLostItsTraceEndsWithStatusOne) {
    ASSERT_TRUE(session.startGame(".", log, {"--play", shortRecording(folder), "--trace", "/dev/full"}))
        << readText(log);
    ASSERT_TRUE(waitForLine("The recording ended")) << readText(log);
    EXPECT_NE(readText(log).find("Cannot write the trace /dev/full"), std::string::npos) << readText(log);
    expectGameEnded(closeGame(), 1, readText(log));
}

TEST_F(DesktopTrouble, AFileSizeLimitNeitherEndsTheGameNorLeavesHalfALine) {
    const std::string trace = folder.file("limited.jsonl"), recording = folder.file("limited.rec");
    ASSERT_TRUE(session.startProgram(
        {"bash", "-c", "ulimit -f 16; exec '" VELMORA_GAME "' --record '" + recording + "' --trace '" + trace + "'"},
        ".", log))
        << readText(log);
    ASSERT_TRUE(waitForLine("Cannot write the trace")) << readText(log);
    ASSERT_TRUE(session.waitForFrames()) << "the game stopped: " << readText(log);
    const int status = closeGame();
    EXPECT_TRUE(status == 0 || status == 1) << "ended by signal " << status - 128;
    const std::string written = readText(trace);
    ASSERT_FALSE(written.empty());
    EXPECT_LE(written.size(), 16u * 1024);
    EXPECT_EQ(written.back(), '\n') << "a line cut in half";
}

TEST_F(DesktopTrouble, AWatchedRecordingCutInALineSaysSoAndPlaysTheWholeLines) {
    ASSERT_TRUE(session.startGame(".", log, {"--play", shortRecording(folder, true)})) << readText(log);
    ASSERT_TRUE(waitForLine("The recording ended")) << readText(log);
    EXPECT_NE(readText(log).find(": line 41 has no newline"), std::string::npos) << readText(log);
    EXPECT_LT(closeGame(), 128);
}

TEST_F(DesktopTrouble, AWatchDrawsStraightIntoTheWindowWhenItsFramebufferIsRefused) {
    session.preload = VELMORA_FRAMEBUFFER_REFUSAL;
    ASSERT_TRUE(session.startGame(".", log, {"--play", shortRecording(folder)})) << readText(log);
    ASSERT_TRUE(waitForLine("drawing it straight into the window")) << readText(log);
    ASSERT_TRUE(waitForLine("The recording ended")) << readText(log);
    // The mouth shows: the lips' pink at the top and bottom, not a black window.
    const Screenshot shot = session.screenshot();
    int pink = 0;
    for (int x = 100; x < 700; x += 10) {
        const unsigned char* p = shot.at(x, 20);
        pink += p[0] > 60 && p[0] > p[1] + 20;
    }
    EXPECT_GT(pink, 50) << "the watched game was not drawn";
    EXPECT_LT(closeGame(), 128);
}

TEST_F(DesktopTrouble, AGameStartedIconicWaitsUntilItIsShown) {
    ASSERT_TRUE(session.startWindowManager("openbox"));
    const std::string trace = folder.file("iconic.jsonl");
    session.windowMayStayHidden = true;
    ASSERT_TRUE(session.startGame(".", log, {"-iconic", "--trace", trace})) << readText(log);
    ASSERT_FALSE(session.windowViewable());
    // Iconified: the game makes no frame at all, however long it waits.
    std::this_thread::sleep_for(std::chrono::seconds(3));  // the time it stays iconified, not a wait for readiness
    EXPECT_EQ(readText(trace), "") << "frames while iconified";
    session.run("xdotool windowactivate " + session.windowId());
    ASSERT_TRUE(waitUntil([&] { return session.windowViewable(); }, 10000));
    ASSERT_TRUE(session.waitForFrames());
    EXPECT_NE(readText(trace), "");
    // Its clock left the iconified seconds out.
    EXPECT_LT(jsonNumber(readText(trace).substr(0, readText(trace).find('\n')), "elapsedMs"), 2500);
    EXPECT_LT(closeGame(), 128);
}

}  // namespace
