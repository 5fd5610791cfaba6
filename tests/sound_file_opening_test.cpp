// Opening the sound files: only regular files are read, and nothing in
// sounds/ can hold the game before its first frame. The FIFO's writer gives a
// reader that waits for it a good sound, so such a reader fails the test
// instead of hanging it; the sound is smaller than a pipe holds, so the writer
// itself never waits for a reader to read.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "audio/wav_file.h"
#include "tests/temp_files.h"

namespace {

TEST(SoundFileOpening, AFifoIsNotReadAndNeverWaitedFor) {
    signal(SIGPIPE, SIG_IGN);  // the writer may find its reader gone
    const Bytes good = readFile("sounds/pick_up.wav");
    ASSERT_LT(good.size(), 65536u) << "more than a pipe holds: the writer would wait for its reader";
    WavSound sound;
    ASSERT_EQ(parseWav(good.data(), good.size(), sound), "") << "the committed sound reads";

    TempFolder folder;
    const std::string fifo = folder.file("pick_up.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Waits for a reader, then feeds it the good sound.
    std::thread writer([&] {
        const int out = open(fifo.c_str(), O_WRONLY);
        if (out < 0) return;
        const ssize_t wrote = write(out, good.data(), good.size());
        (void)wrote;
        close(out);
    });
    const std::string said = readWavFile(fifo, sound);
    // Lets a writer still waiting for a reader through, whatever happened.
    const int release = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    writer.join();
    close(release);
    EXPECT_EQ(said, "not a regular file");
    EXPECT_TRUE(sound.samples.empty());
}

TEST(SoundFileOpening, OnlyRegularFilesAreRead) {
    TempFolder folder;
    const struct {
        std::string path;
        const char* said;
    } cases[] = {
        {"sounds/bubbles.wav", ""},
        {"sounds", "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {"/dev/null", "not a regular file"},
        {folder.file("missing.wav"), "not found"},
    };
    for (const auto& c : cases) {
        WavSound sound;
        EXPECT_EQ(readWavFile(c.path, sound), c.said) << c.path;
        EXPECT_EQ(sound.samples.empty(), *c.said != '\0') << c.path;
    }
}

}  // namespace
