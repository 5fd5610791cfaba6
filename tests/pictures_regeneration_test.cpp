// make-pictures redraws the committed pictures exactly, and no others: a
// change to the generator that is not followed by a regenerated img/ fails
// here. Its icon mode draws RGBA icons the game's own PNG reader takes, clear
// around a tooth.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "gfx/png_image.h"

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

std::set<std::string> targaNames(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        if (entry.path().extension() == ".tga") names.insert(entry.path().filename().string());
    return names;
}

// Every picture drawn is committed and every committed one is still drawn,
// so a new picture cannot be left out of img/ nor an old one go stale there.
TEST(PictureGenerator, RedrawsTheCommittedPicturesByteForByte) {
    fs::path folder = fs::path(testing::TempDir()) / ("velmora-pictures-" + std::to_string(getpid()));
    fs::remove_all(folder);
    ASSERT_EQ(runGenerator("\"" + folder.string() + "\""), 0);
    std::set<std::string> drawn = targaNames(folder);
    EXPECT_EQ(drawn, targaNames("img"));
    ASSERT_FALSE(drawn.empty());
    for (const std::string& name : drawn) {
        SCOPED_TRACE(name);
        std::vector<char> committed = readAll(fs::path("img") / name);
        ASSERT_FALSE(committed.empty());
        EXPECT_TRUE(readAll(folder / name) == committed);
    }
    fs::remove_all(folder);
}

TEST(PictureGenerator, RefusesToRunWithoutExactlyOneOutputFolder) {
    for (const char* arguments : {"", "--icons", "/tmp/a --icons /tmp/b", "/tmp/a /tmp/b"}) {
        SCOPED_TRACE(arguments);
        EXPECT_NE(runGenerator(arguments), 0);
    }
}

TEST(PictureGenerator, DrawsEachIconAsAnRgbaPngOfItsSizeWithAToothOnAClearGround) {
    fs::path folder = fs::path(testing::TempDir()) / ("velmora-icons-" + std::to_string(getpid()));
    fs::remove_all(folder);
    ASSERT_EQ(runGenerator("--icons \"" + folder.string() + "\""), 0);
    for (unsigned side : {48u, 128u, 256u}) {
        SCOPED_TRACE(side);
        std::string path = (folder / ("velmora-" + std::to_string(side) + ".png")).string();
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        ImageBuffer icon;
        bool decoded = decodePngFile(file, icon);
        std::fclose(file);
        ASSERT_TRUE(decoded);
        ASSERT_EQ(icon.width, side);
        ASSERT_EQ(icon.height, side);
        ASSERT_EQ(icon.channels, 4u);
        auto pixel = [&](unsigned x, unsigned y) { return icon.rowAddress(y) + x * 4; };
        long clear = 0;
        long enamel = 0;  // opaque and near white
        long germ = 0;    // opaque and clearly green
        for (unsigned y = 0; y < side; ++y) {
            for (unsigned x = 0; x < side; ++x) {
                const unsigned char* p = pixel(x, y);
                if (p[3] == 0) ++clear;
                if (p[3] != 255) continue;
                if (p[0] > 200 && p[1] > 200 && p[2] > 200) ++enamel;
                if (p[1] > p[0] + 40 && p[1] > p[2] + 40) ++germ;
            }
        }
        long all = static_cast<long>(side) * side;
        EXPECT_EQ(pixel(0, 0)[3] + pixel(side - 1, 0)[3] + pixel(0, side - 1)[3] + pixel(side - 1, side - 1)[3], 0);
        EXPECT_GT(clear, all / 5);
        EXPECT_GT(enamel, all / 5);
        EXPECT_GT(germ, all / 20);
    }
    fs::remove_all(folder);
}

}  // namespace
