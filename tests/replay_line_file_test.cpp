// The recording and the trace written as the game plays: whatever happens to
// the file (a size limit, a full disk, a FIFO nobody reads, a reader that
// stalls or quits), the game is told once, never waits, and a regular file
// ends with a whole line. Each case runs in a child process, as the game
// would, with its own limits and signals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "gfx/diagnostic.h"
#include "recording/line_file.h"

namespace {

enum class Trouble { SizeLimit, FullDisk, FifoWithoutReader, ReaderThatNeverReads, ReaderStallsAtTheEnd, ReaderQuits };

constexpr long sizeLimit = 3000;

std::string lineNumber(int n) {
    return "frame " + std::to_string(n * 16) + " and some padding " + std::to_string(n) + "\n";
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The game's side: open, add lines frame by frame with a write-out now and
// then, close. Reports go to `reports`.
void play(Trouble trouble, const std::string& folder, int lines) {
    std::string path = folder + "/out.txt";
    int reader = -1;
    switch (trouble) {
        case Trouble::SizeLimit: {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{sizeLimit, sizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            break;
        }
        case Trouble::FullDisk:
            path = "/dev/full";
            break;
        case Trouble::FifoWithoutReader:
        case Trouble::ReaderThatNeverReads:
        case Trouble::ReaderStallsAtTheEnd:
        case Trouble::ReaderQuits:
            path = folder + "/fifo";
            mkfifo(path.c_str(), 0600);
            if (trouble != Trouble::FifoWithoutReader) reader = open(path.c_str(), O_RDONLY | O_NONBLOCK);
            signal(SIGPIPE, SIG_IGN);
            break;
    }
    LineFile out;
    if (!openLineFile(out, path, "trace")) return;
    if (trouble == Trouble::ReaderQuits) close(reader);
    for (int n = 1; n <= lines; ++n) {
        out.pending += lineNumber(n);
        if (n % 7 == 0) writeOutLines(out);
    }
    closeLineFile(out);
}

struct Case {
    Trouble trouble;
    int lines;
    const char* said;
};

TEST(LineFile, TroubleWithTheFileIsReportedOnceAndNeverStopsTheGame) {
    const Case cases[] = {
        {Trouble::SizeLimit, 500, ": File too large; it ends at its last whole line; playing on"},
        {Trouble::FullDisk, 50, "/dev/full: No space left on device; playing on"},
        {Trouble::FifoWithoutReader, 50, "fifo: nobody reads it; playing on"},
        // Far more than a pipe holds and than the game keeps waiting for it.
        {Trouble::ReaderThatNeverReads, 600000, "fifo: its reader does not keep up; playing on"},
        {Trouble::ReaderStallsAtTheEnd, 3000, "fifo: its reader stopped taking lines;"},
        {Trouble::ReaderQuits, 50, "fifo: Broken pipe; playing on"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        char pattern[] = "/tmp/velmora-line-file-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        const std::string folder = pattern;
        const std::string reports = folder + "/reports.txt";
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(120);  // a game that waits for its file fails the case
            diagnosticStream = std::fopen(reports.c_str(), "w");
            play(c.trouble, folder, c.lines);
            std::fclose(diagnosticStream);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the game did not play on: " << status;
        const std::string said = readText(reports);
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        if (c.trouble == Trouble::SizeLimit) {
            std::string whole;
            for (int n = 1; n <= c.lines; ++n) whole += lineNumber(n);
            const std::string file = readText(folder + "/out.txt");
            ASSERT_FALSE(file.empty());
            EXPECT_LE(static_cast<long>(file.size()), sizeLimit);
            EXPECT_EQ(file.back(), '\n') << "a half line at the end: " << file.substr(file.size() - 40);
            EXPECT_EQ(whole.compare(0, file.size(), file), 0) << "the file holds the first lines, unchanged";
            EXPECT_GT(file.size(), static_cast<std::size_t>(sizeLimit) - lineNumber(c.lines).size())
                << "every whole line that fitted was kept";
        }
        std::filesystem::remove_all(folder);
    }
}

// Two games recording into one file would mix their lines into a file that
// is neither's recording. The second is told in one line and plays on without
// it; the first game's file is not touched, and is free again once closed.
TEST(LineFile, ASecondWriterOfTheSameFileIsRefusedAndTouchesNothing) {
    char pattern[] = "/tmp/velmora-line-file-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    const std::string path = folder + "/game.rec";
    std::FILE* reports = std::tmpfile();
    std::FILE* const saved = diagnosticStream;
    diagnosticStream = reports;

    LineFile first;
    ASSERT_TRUE(openLineFile(first, path, "recording"));
    first.pending += lineNumber(1) + lineNumber(2);
    writeOutLines(first);
    // The same file under another name is still the same file.
    std::filesystem::create_symlink(path, folder + "/link.rec");
    for (const std::string& name : {path, folder + "/link.rec", folder + "/./game.rec"}) {
        LineFile second;
        EXPECT_FALSE(openLineFile(second, name, "recording")) << name;
        EXPECT_FALSE(isOpen(second));
        second.pending += lineNumber(99);
        linesAdded(second);
        closeLineFile(second);
    }
    first.pending += lineNumber(3);
    closeLineFile(first);
    EXPECT_EQ(readText(path), lineNumber(1) + lineNumber(2) + lineNumber(3));

    LineFile third;
    EXPECT_TRUE(openLineFile(third, path, "recording")) << "the first game's end frees the file";
    third.pending += lineNumber(7);
    closeLineFile(third);
    EXPECT_EQ(readText(path), lineNumber(7)) << "a new recording starts empty";

    std::rewind(reports);
    char said[512] = {};
    std::fread(said, 1, sizeof said - 1, reports);
    std::fclose(reports);
    diagnosticStream = saved;
    const std::string text = said;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
    EXPECT_NE(text.find("Cannot write the recording " + path + ": another game is writing it; playing on without it\n"),
              std::string::npos)
        << text;
    std::filesystem::remove_all(folder);
}

// A recording cut to nothing under a running game (`: > game.rec`) goes on
// from its start, with no hole of NUL bytes before the next lines, and a full
// disk after that still leaves it ending at its last whole line.
TEST(LineFile, AFileCutUnderTheGameGoesOnFromItsNewEnd) {
    char pattern[] = "/tmp/velmora-line-file-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    const std::string path = folder + "/out.txt";
    const std::string reports = folder + "/reports.txt";
    constexpr int cutAfter = 60;
    constexpr int lines = 500;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(120);
        diagnosticStream = std::fopen(reports.c_str(), "w");
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{sizeLimit, sizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        LineFile out;
        if (openLineFile(out, path, "recording")) {
            for (int n = 1; n <= lines; ++n) {
                out.pending += lineNumber(n);
                if (n % 7 == 0 || n == cutAfter) writeOutLines(out);
                if (n == cutAfter && truncate(path.c_str(), 0) != 0) _exit(3);
            }
            closeLineFile(out);
        }
        std::fclose(diagnosticStream);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string file = readText(path);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.find('\0'), std::string::npos) << "NUL bytes where the file was cut";
    EXPECT_EQ(file.rfind(lineNumber(cutAfter + 1), 0), 0u) << file.substr(0, 80);
    EXPECT_LE(static_cast<long>(file.size()), sizeLimit);
    EXPECT_EQ(file.back(), '\n');
    std::string after;
    for (int n = cutAfter + 1; n <= lines; ++n) after += lineNumber(n);
    EXPECT_EQ(after.compare(0, file.size(), file), 0) << "the lines after the cut, unchanged";
    EXPECT_GT(file.size(), static_cast<std::size_t>(sizeLimit) - lineNumber(lines).size());
    EXPECT_NE(readText(reports).find(": File too large; it ends at its last whole line;"), std::string::npos)
        << readText(reports);
    std::filesystem::remove_all(folder);
}

}  // namespace
