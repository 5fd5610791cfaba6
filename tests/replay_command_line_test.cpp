// How velmora-replay is called and how it refuses: options, standard input,
// a bad script stopping everything before the first command runs, shots that
// never touch a file they did not create, and exit statuses that tell the truth.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/replay_test_support.h"

namespace {

class ReplayCommandLine : public testing::Test {
protected:
    void SetUp() override { folder = makeTemporaryFolder(); }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string folder;
};

TEST_F(ReplayCommandLine, ABadLineStopsTheRunBeforeAnythingHappens) {
    const ReplayRun run = runReplay("frames 5 16\nshot early.png\nframe 100\nframe 50\n", "", folder);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.lines.empty()) << "no frame ran";
    EXPECT_FALSE(std::filesystem::exists(folder + "/early.png")) << "no shot was taken";
    EXPECT_NE(run.errors.find("line 4: "), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find("Texture"), std::string::npos) << "the game was never built";
}

TEST_F(ReplayCommandLine, AScriptFromStandardInputPlaysLikeAFile) {
    std::ofstream(folder + "/input.txt") << "frames 3 16\nmouse 0 0 325 50\nframe 60\n";
    const ReplayRun piped = runReplayWith("--bacteria - < input.txt", folder);
    const ReplayRun named = runReplayWith("--bacteria input.txt", folder);
    EXPECT_EQ(piped.status, 0) << piped.errors;
    ASSERT_EQ(piped.lines.size(), 4u);
    EXPECT_EQ(piped.lines, named.lines);
    EXPECT_EQ(parseJson(piped.lines[3])["heldFood"].asInt(), 0);
}

TEST_F(ReplayCommandLine, CallsItCannotServeEndWithStatusTwo) {
    std::ofstream(folder + "/good.txt") << "frame 16\n";
    for (const char* arguments : {"", "--frames good.txt", "good.txt good.txt", "missing.txt", "--bacteria"}) {
        const ReplayRun run = runReplayWith(arguments, folder);
        EXPECT_EQ(run.status, 2) << "velmora-replay " << arguments;
        EXPECT_TRUE(run.lines.empty()) << arguments;
        EXPECT_FALSE(run.errors.empty()) << arguments;
    }
    EXPECT_EQ(runReplayWith("good.txt", folder).status, 0);
}

TEST_F(ReplayCommandLine, AShotThatCannotBeWrittenEndsTheRunWithStatusOne) {
    const ReplayRun run = runReplay("frame 16\nshot no/such/folder/a.png\nframe 32\n", "", folder);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lines.size(), 1u) << "the frames before it are traced, none after";
    EXPECT_NE(run.errors.find("line 2: "), std::string::npos) << run.errors;
}

TEST_F(ReplayCommandLine, StandardOutputCarriesOnlyTraceLines) {
    // No pictures, a size the game refuses, keys of every kind and passive
    // motion it ignores: every report goes to standard error.
    const ReplayRun run = runReplay(
        "frame 16\nreshape 0 600\nkey a 10 10\nkeyup 97 10 10\nkeycode 27 1 1\nspecial 11 2 2\n"
        "specialup 11 2 2\npassive 5 5\nreshape 1 1\nframe 32\n",
        "", folder);
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 2u);
    for (const std::string& line : run.lines) EXPECT_EQ(line.rfind("{\"frame\":", 0), 0u) << line;
    EXPECT_NE(run.errors.find("reshape() values bad w:0 h:600\n"), std::string::npos) << run.errors;
    // A width of 1 has no 4:3 height of a whole pixel.
    EXPECT_NE(run.errors.find("reshape() values bad w:1 h:1\n"), std::string::npos) << run.errors;
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(ReplayCommandLine, EveryOutcomeHasItsStatusAndItsLine) {
    namespace fs = std::filesystem;
    const std::string precious = "a maintainer's file\n";
    std::ofstream(folder + "/victim.txt") << precious;
    fs::create_symlink("victim.txt", folder + "/link.png");
    fs::create_symlink("nowhere/at/all.png", folder + "/dangling.png");
    fs::create_directory_symlink(".", folder + "/here");
    const std::pair<const char*, const char*> scripts[] = {
        {"replace.txt", "frames 2 16\nshot victim.txt\n"},
        {"link.txt", "frames 2 16\nshot link.png\n"},
        {"dangling.txt", "frame 16\nshot dangling.png\n"},
        {"twice.txt", "frames 2 16\nshot a.png\nframe 40\nshot sub/../a.png\n"},
        // Two names for one file: only the write itself can tell.
        {"through.txt", "frames 2 16\nshot b.png\nframe 40\nshot here/b.png\nframe 50\n"},
        {"long.txt", "frames 3000 16\n"},
        {"cut.rec", "frame 3159\nmotion 1 2\nframe 317"},
        // Side buttons, sideways scrolling, an 8K full screen, and a window
        // wider than the game draws, which the game refuses in one line.
        {"recorded.rec", "mouse 5 0 1 1\nmouse 8 1 1 1\nreshape 5760 4320\nframe 16\nreshape 10000 7500\nframe 32\n"},
        // Twenty bytes asking for 2.5 TB of trace.
        {"endless.txt", "frames 2147483647 1\n"},
        {"page.html", "<!DOCTYPE html><html><body>frame 16</body></html>"},
        {"empty.txt", ""},
    };
    for (const auto& script : scripts) std::ofstream(folder + "/" + script.first) << script.second;

    struct Case {
        const char* arguments;
        int status;
        std::size_t lines;
        const char* said;  // on standard error, or on standard output for --help
    };
    const Case cases[] = {
        {"--no-draw replace.txt", 2, 0, "line 2: shot victim.txt is an existing file, and a shot never replaces one"},
        {"--no-draw --overwrite replace.txt", 0, 2, ""},
        {"--no-draw --overwrite link.txt", 2, 0, "line 2: shot link.png is a symbolic link"},
        {"--no-draw dangling.txt", 2, 0, "line 2: shot dangling.png is a symbolic link"},
        {"--no-draw twice.txt", 2, 0, "line 4: shot sub/../a.png would replace the shot of line 2"},
        {"--no-draw through.txt", 2, 3, "line 4: shot here/b.png is an existing file"},
        {"--no-draw long.txt > /dev/full", 1, 0, "cannot write the trace: No space left on device"},
        {"--no-draw long.txt >&-", 1, 0, "standard output is closed"},
        {"--no-draw .", 2, 0, ".: cannot be read: Is a directory"},
        {"--no-draw - <&-", 2, 0, "standard input: cannot be read"},
        {"--no-draw /dev/zero", 2, 0, "line 1: longer than 4096 bytes"},
        {"--no-draw cut.rec", 0, 1, "line 3 has no newline"},
        {"--no-draw recorded.rec", 0, 2, "reshape() values bad w:10000 h:7500"},
        {"--no-draw endless.txt", 2, 0, "endless.txt: line 1: a script plays at most 268435456 frames"},
        {"--no-draw page.html", 2, 0, "page.html: line 1 has no newline: not a recording"},
        {"--no-draw - < empty.txt", 2, 0, "standard input: line 1 is missing: an empty text is not a recording"},
        {"--help", 0, 5, "usage: velmora-replay"},
    };
    for (const Case& c : cases) {
        const ReplayRun run = runReplayWith(c.arguments, folder);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.errors;
        EXPECT_EQ(run.lines.size(), c.lines) << c.arguments;
        std::string said = run.errors;
        for (const std::string& line : run.lines) said += line + "\n";
        EXPECT_NE(said.find(c.said), std::string::npos) << c.arguments << ": " << said;
        if (c.status != 0) {
            EXPECT_NE(run.errors, "") << c.arguments;
        }
        EXPECT_TRUE(fs::is_symlink(folder + "/link.png")) << c.arguments;
        // A person's own script may replace; the file is put back for the next case.
        if (std::string(c.arguments).find("--overwrite replace") != std::string::npos) {
            EXPECT_EQ(readText(folder + "/victim.txt").rfind("\x89PNG", 0), 0u) << "replaced by a picture";
            std::ofstream(folder + "/victim.txt") << precious;
        }
        EXPECT_EQ(readText(folder + "/victim.txt"), precious) << c.arguments;
        EXPECT_FALSE(fs::exists(folder + "/a.png")) << c.arguments << ": nothing was played";
        EXPECT_FALSE(fs::exists(folder + "/nowhere")) << c.arguments;
        fs::remove(folder + "/b.png");
    }
}

// A stranger's script creates at most a hundred files, refused before the
// first frame; the same file shot again with --overwrite is still one file.
TEST_F(ReplayCommandLine, AScriptWritesAtMostAHundredShotFiles) {
    namespace fs = std::filesystem;
    const auto shots = [](int files, int times) {
        std::string script = "reshape 160 120\nframe 16\n";
        for (int i = 1; i <= files; ++i)
            for (int k = 0; k < times; ++k) script += "shot s" + std::to_string(i) + ".png\n";
        return script;
    };
    const ReplayRun tooMany = runReplay(shots(101, 1), "--no-draw", folder);
    EXPECT_EQ(tooMany.status, 2);
    EXPECT_TRUE(tooMany.lines.empty()) << "no frame ran";
    EXPECT_NE(tooMany.errors.find("line 103: shot s101.png would be file 101: a script writes at most 100 shot files"),
              std::string::npos)
        << tooMany.errors;
    EXPECT_FALSE(fs::exists(folder + "/s1.png"));

    const ReplayRun most = runReplay(shots(100, 1), "--no-draw", folder);
    EXPECT_EQ(most.status, 0) << most.errors;
    EXPECT_TRUE(fs::exists(folder + "/s100.png"));
    const ReplayRun again = runReplay(shots(100, 2), "--no-draw --overwrite", folder);
    EXPECT_EQ(again.status, 0) << again.errors;
}

// The trace sent to a file on a disk that fills up: the replay fails, and the
// file ends at its last whole line, appended to or not.
TEST_F(ReplayCommandLine, ATraceThatFillsTheDiskEndsAtItsLastWholeLine) {
    std::ofstream(folder + "/long.txt") << "frames 3000 16\n";
    const ReplayRun whole = runReplayWith("--no-draw long.txt", folder);
    ASSERT_EQ(whole.status, 0) << whole.errors;
    std::string trace;
    for (const std::string& line : whole.lines) trace += line + "\n";
    constexpr long limitBlocks = 200;  // of 512 bytes, as ulimit counts them
    constexpr std::size_t limitBytes = limitBlocks * 512;
    ASSERT_GT(trace.size(), 2 * limitBytes);
    const std::string earlier = "a line already in the file\n";
    for (const char* redirection : {">", ">>"}) {
        SCOPED_TRACE(redirection);
        const std::string path = folder + "/trace.jsonl";
        std::ofstream(path) << earlier;
        const std::string kept = std::string(redirection) == ">>" ? earlier : "";
        // The limit stands in for a full disk: writes past it come up short.
        const std::string command = "cd '" + folder + "' && trap '' XFSZ && ulimit -f " + std::to_string(limitBlocks) +
                                    " && '" VELMORA_REPLAY "' --no-draw long.txt " + redirection +
                                    " trace.jsonl 2> errors.txt";
        const int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw;
        const std::string errors = readText(folder + "/errors.txt");
        EXPECT_NE(errors.find("cannot write the trace: File too large; it ends at its last whole line\n"),
                  std::string::npos)
            << errors;
        const std::string file = readText(path);
        ASSERT_GT(file.size(), kept.size());
        EXPECT_LE(file.size(), limitBytes);
        EXPECT_EQ(file.back(), '\n') << "a half line at the end: ..." << file.substr(file.size() - 40);
        EXPECT_EQ(file.compare(0, kept.size(), kept), 0);
        const std::string traced = file.substr(kept.size());
        EXPECT_EQ(trace.compare(0, traced.size(), traced), 0) << "the first lines of the trace, unchanged";
        EXPECT_GT(file.size() + whole.lines.back().size() * 2, limitBytes) << "the lines that fitted were kept";
    }
}

TEST_F(ReplayCommandLine, ScriptsAndShotsAreFoundFromTheStartFolderAndPicturesBesideTheProgram) {
    // No img/ here: the replay finds the pictures beside its own program, as
    // the game does, while the script and its shot stay where they were named.
    std::filesystem::create_directory(folder + "/scripts");
    std::filesystem::create_directory(folder + "/shots");
    std::ofstream(folder + "/scripts/start.txt") << "frame 16\nshot shots/start.png\n";
    const ReplayRun run = runReplayWith("scripts/start.txt", folder);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors.find("not found"), std::string::npos) << run.errors;
    const Picture picture = readPng(folder + "/shots/start.png");
    ASSERT_EQ(picture.width, 800);
    // The mouth, not the white squares of pictures never loaded.
    const Colour centre = picture.at(400, 300);
    EXPECT_LT(centre.r + centre.g + centre.b, 600) << centre.r << "," << centre.g << "," << centre.b;
}

}  // namespace
