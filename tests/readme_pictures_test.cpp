// The README's pictures: tools/take_screenshots.sh takes each at a frame whose
// trace shows its caption (and stops when no frame does), and docs/ holds
// those pictures, not older ones that miss what their caption says.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/replay_test_support.h"

namespace {

std::string readLog(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ReadmePictures, DocsHoldThePicturesTakenAtTheirCaptions) {
    const std::string folder = makeTemporaryFolder();
    const std::string log = folder + "/log.txt";
    const std::string command = "VELMORA_REPLAY='" VELMORA_REPLAY "' bash '" VELMORA_SOURCE
                                "/tools/take_screenshots.sh' --into '" +
                                folder + "/pictures' >'" + log + "' 2>&1";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << readLog(log);
    const std::string said = readLog(log);
    for (const char* caption : {"start.png: the mouth at the start of a game", "swarm.png: a fed tooth swarming",
                                "brush.png: the brush scrubbing past a yellowed tooth",
                                "falling.png: a tooth falling out", "drill.png: the drill arriving"})
        EXPECT_NE(said.find(caption), std::string::npos) << said;

    for (const char* name : {"start", "swarm", "brush", "falling", "drill"}) {
        SCOPED_TRACE(name);
        const Picture taken = readPng(folder + "/pictures/" + name + ".png");
        const Picture committed = readPng(std::string(VELMORA_SOURCE "/docs/") + name + ".png");
        ASSERT_EQ(taken.width, 800);
        ASSERT_EQ(taken.height, 600);
        ASSERT_EQ(committed.width, taken.width);
        ASSERT_EQ(committed.height, taken.height);
        // Another driver may round a few edges differently; a missing drill,
        // brush or tooth changes tens of thousands of pixels.
        std::size_t differing = 0;
        for (int y = 0; y < taken.height; ++y)
            for (int x = 0; x < taken.width; ++x) {
                const Colour a = taken.at(x, y), b = committed.at(x, y);
                if (std::abs(a.r - b.r) > 24 || std::abs(a.g - b.g) > 24 || std::abs(a.b - b.b) > 24) ++differing;
            }
        EXPECT_LE(differing, static_cast<std::size_t>(taken.width * taken.height / 200))
            << "docs/" << name << ".png is not the picture tools/take_screenshots.sh takes; run it again";
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
