// How velmora-replay is called and how it refuses: options, standard input,
// and a bad script stopping everything before the first command runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

}  // namespace
