// A script checked whole, then read again as it plays: a file changed in
// between stops at the line that is now bad, after the commands before it.
#include "recording/script_stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A file of this test process's own, as the sanitizer build may run beside.
std::string scratch(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + name)).string();
}

TEST(ScriptStream, AFileChangedSinceItsCheckStopsAtItsBadLine) {
    const std::string path = scratch("-changed.rec");
    // Far longer than what one read takes in, so the change is read.
    std::string text;
    for (int ms = 1000; ms < 21000; ++ms) text += "frame " + std::to_string(ms) + "\n";
    std::ofstream(path) << text;
    ScriptStream stream;
    std::string fault, notice;
    ASSERT_TRUE(openScriptStream(stream, path, fault, notice)) << fault;
    ReplayCommand c;
    ASSERT_TRUE(nextStreamCommand(stream, c));
    EXPECT_EQ(c.firstMs, 1000);
    {
        // Line 19001, "frame 20000", becomes a reading gone back.
        std::fstream file(path, std::ios::in | std::ios::out);
        file.seekp(static_cast<std::streamoff>(text.find("frame 20000\n")));
        file << "frame 10000";
    }
    long long played = 1;
    while (nextStreamCommand(stream, c)) ++played;
    EXPECT_EQ(played, 19000);
    EXPECT_EQ(stream.reader.error, "line 19001: MS 10000 is before the last reading 19999");
    std::remove(path.c_str());
}

TEST(ScriptStream, ABadLineRefusesTheFileBeforeAnyCommand) {
    const std::string path = scratch("-bad.rec");
    std::ofstream(path) << "frame 16\nframe 32\nframes 2\n";
    ScriptStream stream;
    std::string fault, notice;
    EXPECT_FALSE(openScriptStream(stream, path, fault, notice));
    EXPECT_EQ(fault.rfind("line 3: expected \"frames N STEP\"", 0), 0u) << fault;
    ReplayCommand c;
    EXPECT_FALSE(nextStreamCommand(stream, c));
    std::remove(path.c_str());
}

}  // namespace
