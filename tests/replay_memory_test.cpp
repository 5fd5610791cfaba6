// What a replay holds does not grow with its script: a recording of a few
// hundred thousand frames plays in the memory of a ten-frame one, and a
// script that resizes the window many times without drawing makes no picture
// for any of those sizes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/replay_test_support.h"

namespace {

struct Measured {
    int status = -1;
    long peakKiB = 0;
};

// velmora-replay --no-draw on the script, its trace thrown away, with its peak
// resident memory as the kernel counted it (through a small process of its
// own: see tests/peak_memory.cpp).
Measured replayMeasured(const std::string& scriptPath) {
    Measured measured;
    int fromChild[2];
    if (::pipe(fromChild) != 0) return measured;
    const pid_t child = fork();
    if (child == 0) {
        // Under the address sanitizer freed memory is held back for a while,
        // and would count as memory held.
        const char* given = std::getenv("ASAN_OPTIONS");
        const std::string sanitizer = std::string(given ? given : "") + ":quarantine_size_mb=0";
        ::setenv("ASAN_OPTIONS", sanitizer.c_str(), 1);
        ::dup2(fromChild[1], STDOUT_FILENO);
        ::close(fromChild[0]);
        ::execl(PEAK_MEMORY, PEAK_MEMORY, VELMORA_REPLAY, "--no-draw", scriptPath.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(fromChild[1]);
    std::string said;
    char buffer[64];
    for (ssize_t got; (got = ::read(fromChild[0], buffer, sizeof buffer)) > 0;) said.append(buffer, got);
    ::close(fromChild[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return measured;
    measured.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    measured.peakKiB = std::atol(said.c_str());
    return measured;
}

std::string writeScript(const std::string& folder, const std::string& name, const std::string& text) {
    const std::string path = folder + "/" + name;
    std::ofstream(path) << text;
    return path;
}

std::string framesScript(int frames) {
    std::string text = "# velmora, window 800 x 600\n";
    for (int i = 1; i <= frames; ++i) text += "frame " + std::to_string(16 * i) + "\n";
    return text;
}

TEST(ReplayMemory, ALongRecordingPlaysInTheMemoryOfAShortOne) {
    const std::string folder = makeTemporaryFolder();
    // Some 10 MB of commands held in memory, were the script read whole.
    const Measured longGame = replayMeasured(writeScript(folder, "long.rec", framesScript(150000)));
    const Measured shortGame = replayMeasured(writeScript(folder, "short.rec", framesScript(10)));
    std::filesystem::remove_all(folder);
    ASSERT_EQ(longGame.status, 0);
    ASSERT_EQ(shortGame.status, 0);
    EXPECT_LT(longGame.peakKiB - shortGame.peakKiB, 4 * 1024)
        << longGame.peakKiB << " KiB for 150000 frames, " << shortGame.peakKiB << " KiB for 10";
}

TEST(ReplayMemory, ResizesNobodySeesMakeNoPicture) {
    const std::string folder = makeTemporaryFolder();
    std::string resizes;
    // The largest window the game draws takes some 400 MB of picture.
    for (int i = 0; i < 10; ++i) resizes += i % 2 ? "reshape 8188 6141\n" : "reshape 8192 6144\n";
    const Measured resized = replayMeasured(writeScript(folder, "resized.rec", resizes + "frame 16\n"));
    const Measured plain = replayMeasured(writeScript(folder, "plain.rec", "frame 16\n"));
    // Drawn after all, the picture is made once, at the size then current.
    const ReplayRun shot = runReplay("reshape 8192 6144\nreshape 200 150\nframe 16\nshot a.png\n", "--no-draw", folder);
    const Picture picture = readPng(folder + "/a.png");
    std::filesystem::remove_all(folder);
    ASSERT_EQ(resized.status, 0);
    EXPECT_LT(resized.peakKiB - plain.peakKiB, 32 * 1024) << resized.peakKiB << " KiB against " << plain.peakKiB;
    ASSERT_EQ(shot.status, 0) << shot.errors;
    EXPECT_EQ(picture.width, 200);
    EXPECT_EQ(picture.height, 150);
}

}  // namespace
