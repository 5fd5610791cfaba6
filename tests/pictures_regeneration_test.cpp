// make-pictures redraws the committed pictures exactly: a change to the
// generator that is not followed by a regenerated img/ fails here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<char> readAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

int runGenerator(const std::string& arguments) {
    std::string command = std::string("\"") + MAKE_PICTURES + "\" " + arguments + " > /dev/null";
    return std::system(command.c_str());
}

TEST(PictureGenerator, RedrawsTheCommittedPicturesByteForByte) {
    fs::path folder = fs::path(testing::TempDir()) / ("velmora-pictures-" + std::to_string(getpid()));
    fs::remove_all(folder);
    ASSERT_EQ(runGenerator("\"" + folder.string() + "\""), 0);
    for (const char* name : {"bg.tga", "teeth.tga", "bacteria.tga", "food.tga", "brush.tga", "drill.tga"}) {
        SCOPED_TRACE(name);
        std::vector<char> committed = readAll(fs::path("img") / name);
        ASSERT_FALSE(committed.empty());
        EXPECT_TRUE(readAll(folder / name) == committed);
    }
    fs::remove_all(folder);
}

TEST(PictureGenerator, RefusesToRunWithoutAnOutputFolder) { EXPECT_NE(runGenerator(""), 0); }

}  // namespace
