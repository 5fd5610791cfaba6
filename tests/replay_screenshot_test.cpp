// Screenshots through real Mesa: solid-coloured pictures written by the test
// make every sprite's colour known, so the PNG the replay writes can be read
// back and checked pixel by pixel.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/replay_test_support.h"

namespace {

constexpr Colour blue{0, 0, 255}, white{255, 255, 255}, green{0, 255, 0}, red{255, 0, 0};
constexpr Colour yellow{255, 255, 0}, magenta{255, 0, 255};

// An uncompressed 4 x 4 true-colour Targa of one colour.
void writeSolidTarga(const std::string& path, Colour c) {
    unsigned char header[18] = {0, 0, 2};
    header[12] = 4;
    header[14] = 4;
    header[16] = 24;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    for (int i = 0; i < 16; ++i) {
        const char bgr[3] = {static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r)};
        out.write(bgr, 3);
    }
}

bool near(Colour a, Colour b, int tolerance = 3) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::string describe(Colour c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

class ReplayScreenshot : public testing::Test {
protected:
    void SetUp() override {
        folder = makeTemporaryFolder();
        std::filesystem::create_directory(folder + "/img");
        writeSolidTarga(folder + "/img/bg.tga", blue);
        writeSolidTarga(folder + "/img/teeth.tga", white);
        writeSolidTarga(folder + "/img/bacteria.tga", green);
        writeSolidTarga(folder + "/img/food.tga", red);
        writeSolidTarga(folder + "/img/brush.tga", yellow);
        writeSolidTarga(folder + "/img/drill.tga", magenta);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Canvas point (x, y) to the window pixel that shows it, top row first.
    static int column(double x, double scale = 1) { return static_cast<int>(400 * scale + x * scale); }
    static int row(double y, double scale = 1) { return static_cast<int>(300 * scale - y * scale); }

    std::string folder;
};

TEST_F(ReplayScreenshot, TheStartFrameShowsEverySpriteInItsColour) {
    const ReplayRun run = runReplay("frame 16\nshot start.png\n", "--bacteria", folder);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "") << "every picture is there";
    ASSERT_EQ(run.lines.size(), 1u);
    const Picture picture = readPng(folder + "/start.png");
    ASSERT_EQ(picture.width, 800);
    ASSERT_EQ(picture.height, 600);

    // The 800 x 800 background covers the whole window: the grey clear colour shows nowhere.
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            ASSERT_FALSE(near(picture.at(x, y), {128, 128, 128}, 8)) << "grey at " << x << ", " << y;

    // Corners and the top middle: above and beside the teeth, away from the food;
    // the brush and the drill wait outside the canvas.
    for (const auto& [x, y] : {std::pair{5, 5}, {794, 5}, {5, 594}, {794, 594}, {400, 10}, {400, 590}})
        EXPECT_TRUE(near(picture.at(x, y), blue)) << x << ", " << y << ": " << describe(picture.at(x, y));

    // The food is drawn at 0.8 opacity: four fifths red over the blue background.
    const Colour food{204, 0, 51};
    for (const double x : {-75.0, 0.0, 75.0}) {
        const Colour seen = picture.at(column(x), row(250));
        EXPECT_TRUE(near(seen, food)) << "food at " << x << ": " << describe(seen);
    }

    // The upper half of the first tooth, where its bacteria (made on the lower half) cannot reach yet.
    const Colour tooth = picture.at(column(-307), row(170));
    EXPECT_TRUE(near(tooth, white)) << describe(tooth);

    // The last tooth's bacteria: nothing but food, brush and drill is drawn after them.
    const Json f = parseJson(run.lines[0]);
    for (const Json& b : f["teeth"][10]["bacteria"].items) {
        const Colour seen = picture.at(column(b[0].number), row(b[1].number));
        EXPECT_TRUE(near(seen, green)) << "bacterium at " << b[0].number << ", " << b[1].number << ": "
                                       << describe(seen);
    }
}

TEST_F(ReplayScreenshot, AShotAfterAResizeHasTheNewWindowSize) {
    const ReplayRun run =
        runReplay("frame 16\nreshape 400 100\nshot small.png\nreshape 1000 10\nshot large.png\n", "", folder);
    ASSERT_EQ(run.status, 0) << run.errors;
    // The window keeps to 4:3 of the width it is given.
    const Picture small = readPng(folder + "/small.png");
    ASSERT_EQ(small.width, 400);
    ASSERT_EQ(small.height, 300);
    EXPECT_TRUE(near(small.at(column(-75, 0.5), row(250, 0.5)), {204, 0, 51}));
    EXPECT_TRUE(near(small.at(3, 3), blue));
    const Picture large = readPng(folder + "/large.png");
    ASSERT_EQ(large.width, 1000);
    ASSERT_EQ(large.height, 750);
    EXPECT_TRUE(near(large.at(column(75, 1.25), row(250, 1.25)), {204, 0, 51}));
    EXPECT_TRUE(near(large.at(996, 746), blue));
}

// The first food carried to the middle, then a new game: a shot straight
// after it shows the food back where it starts, drawn or not in between.
TEST_F(ReplayScreenshot, AShotAfterANewGameShowsTheNewGame) {
    const std::string carried = "frame 16\nmouse 0 0 325 50\nmotion 400 300\nframe 32\n";
    for (const char* options : {"", "--no-draw"}) {
        SCOPED_TRACE(options);
        const ReplayRun run =
            runReplay(carried + "shot old.png\nrestart\nshot new.png\n", std::string(options) + " --overwrite", folder);
        ASSERT_EQ(run.status, 0) << run.errors;
        const Picture before = readPng(folder + "/old.png"), after = readPng(folder + "/new.png");
        ASSERT_EQ(after.width, 800);
        EXPECT_FALSE(near(before.at(column(-75), row(250)), {204, 0, 51}));
        EXPECT_TRUE(near(after.at(column(-75), row(250)), {204, 0, 51})) << describe(after.at(column(-75), row(250)));
        EXPECT_NE(before.rgb, after.rgb);
    }
}

TEST_F(ReplayScreenshot, MissingPicturesAreReportedAndTheGameGoesOn) {
    // One empty picture keeps the replay in this folder: without any, it
    // would look for them beside its own program, as the game does.
    std::filesystem::remove_all(folder + "/img");
    std::filesystem::create_directory(folder + "/img");
    std::ofstream(folder + "/img/bg.tga").flush();
    const ReplayRun run = runReplay("frames 3 16\nshot plain.png\n", "", folder);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.lines.size(), 3u) << "the trace alone is on standard output";
    for (const char* name : {"bg", "teeth", "bacteria", "food", "brush", "drill"})
        EXPECT_NE(run.errors.find(std::string("Texture file img/") + name + ".tga not found\n"), std::string::npos)
            << name;
    const Picture picture = readPng(folder + "/plain.png");
    EXPECT_EQ(picture.width, 800);
}

TEST_F(ReplayScreenshot, DamagedPicturesAreReportedAndDrawnUntextured) {
    auto write = [&](const char* name, const std::string& bytes) {
        std::ofstream(folder + "/img/" + name, std::ios::binary) << bytes;
    };
    auto header = [](int type, int width, int height, int depth) {
        std::string h(18, '\0');
        h[2] = char(type);
        h[12] = char(width & 255), h[13] = char(width >> 8);
        h[14] = char(height & 255), h[15] = char(height >> 8);
        h[16] = char(depth);
        return h;
    };
    // A FIFO nobody writes into would hold the game before its first frame.
    std::filesystem::remove(folder + "/img/bg.tga");
    ASSERT_EQ(mkfifo((folder + "/img/bg.tga").c_str(), 0600), 0);
    write("teeth.tga", "");
    write("bacteria.tga", header(2, 64, 64, 32).substr(0, 10));
    write("brush.tga", header(1, 64, 64, 8) + std::string(4096, 'x'));
    write("drill.tga", header(2, 30000, 30000, 32) + std::string(64, 'x'));
    write("food.tga", "\x89PNG\r\n\x1a\n not a targa at all");
    const ReplayRun run = runReplay("frames 30 16\nshot damaged.png\n", "", folder);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.lines.size(), 30u);
    for (const char* name : {"bg", "teeth", "bacteria", "food", "brush", "drill"})
        EXPECT_NE(run.errors.find(std::string("Texture file img/") + name + ".tga not found\n"), std::string::npos)
            << name;
    // Untextured, the background is a white square over the whole canvas.
    const Picture picture = readPng(folder + "/damaged.png");
    ASSERT_EQ(picture.width, 800);
    for (int y = 0; y < picture.height; y += 7)
        for (int x = 0; x < picture.width; x += 7)
            ASSERT_TRUE(near(picture.at(x, y), white, 60)) << x << "," << y << " " << describe(picture.at(x, y));
}

}  // namespace
