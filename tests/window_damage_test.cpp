// The real window under Xvfb shows every part of the frames it draws in parts:
// the game is recorded while it plays, stopped at a moment, and the window's
// pixels as the X server holds them must be one of the last frames
// velmora-replay draws whole from that recording, but for rounding. At its
// start a game changes about half its frame every frame (the drained teeth),
// which the window draws whole unless told to draw parts up to all of it.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/replay_test_support.h"
#include "tests/shooting_script.h"
#include "tests/x_session.h"

namespace {

// The frames looked at: the window is stopped within a few frames of the
// recording's end, and never near its start, whose frames are drawn whole.
constexpr int framesLookedAt = 40;
constexpr int fewestFrames = 150;

char processState(pid_t process) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

// The window's buffer and velmora-replay's framebuffer round a blend or a
// filtered texel apart by one now and then, whole frames or not; a part left
// unshown leaves a bacterium where it was, or none where it is.
constexpr int mostRounding = 2;

// Pixels that differ by more than rounding; every one when the sizes differ.
long differingPixels(const Screenshot& window, const Picture& frame) {
    if (window.width != frame.width || window.height != frame.height) return static_cast<long>(window.rgb.size());
    long differing = 0;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const unsigned char* shown = window.at(x, y);
            const Colour drawn = frame.at(x, y);
            if (std::abs(shown[0] - drawn.r) > mostRounding || std::abs(shown[1] - drawn.g) > mostRounding ||
                std::abs(shown[2] - drawn.b) > mostRounding)
                ++differing;
        }
    return differing;
}

}  // namespace

TEST(WindowDamage, TheWindowShowsAFrameOfItsRecording) {
    XSession x;
    x.gameEnvironment.push_back("VELMORA_PARTS_UP_TO=1");
    ASSERT_TRUE(x.start());
    const std::string folder = makeTemporaryFolder();
    const std::string recording = folder + "/game.rec";
    ASSERT_TRUE(x.startGame(folder, folder + "/log.txt", {"--mute", "--record", recording}));
    ASSERT_TRUE(waitUntil([&] { return x.framesCounted() >= fewestFrames; }, 20000));
    // Bacteria have moved for a while, drawn in parts; the game is stopped
    // where it is, and the X server keeps what it was last shown.
    x.signalGame(SIGSTOP);
    ASSERT_TRUE(waitUntil([&] { return processState(x.gameProcess()) == 'T'; }, 5000));
    const Screenshot shown = x.screenshot();
    x.signalGame(SIGCONT);
    x.stopGame();
    ASSERT_GT(shown.width, 0);

    std::ifstream in(recording);
    std::stringstream played;
    played << in.rdbuf();
    int total = 0;
    shootingScript(played.str(), {}, total);
    ASSERT_GT(total, 0);
    std::set<int> shots;
    for (int frame = std::max(1, total - framesLookedAt + 1); frame <= total; ++frame) shots.insert(frame);
    const ReplayRun run = runReplay(shootingScript(played.str(), shots, total), "", folder);
    ASSERT_EQ(run.status, 0) << run.errors;
    long fewest = -1;
    int nearest = 0;
    for (int frame : shots) {
        const long differing = differingPixels(shown, readPng(folder + "/" + shotName(frame)));
        if (fewest < 0 || differing < fewest) fewest = differing, nearest = frame;
    }
    EXPECT_EQ(fewest, 0) << "the window showed none of the last " << shots.size() << " frames of " << total
                         << ": frame " << nearest << " is nearest, " << shown.width << " x " << shown.height;
    std::filesystem::remove_all(folder);
}
