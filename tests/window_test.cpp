// The real game in a real window under Xvfb, used as a player would.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/temp_files.h"
#include "tests/x_session.h"

namespace {

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class GameWindow : public ::testing::Test {
protected:
    static XSession* session;
    std::string log = "/tmp/velmora-window-" + std::to_string(::getpid()) + ".log";

    static void SetUpTestSuite() {
        session = new XSession;
        if (!session->start()) {
            delete session;
            session = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete session;
        session = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(session, nullptr) << "Xvfb would not start";
        ASSERT_TRUE(session->startGame(".", log)) << "no window titled Velmora appeared";
    }
    void TearDown() override {
        if (session) session->stopGame();
        std::remove(log.c_str());
    }
    bool waitForSize(int width, int height) {
        int w = 0, h = 0;
        for (int i = 0; i < 100; ++i) {
            if (session->windowSize(w, h) && w == width && h == height) return true;
            pause(50);
        }
        ADD_FAILURE() << "window is " << w << " x " << h << ", expected " << width << " x " << height;
        return false;
    }
};

XSession* GameWindow::session = nullptr;

TEST_F(GameWindow, OpensOneWindowOf800By600TitledVelmora) {
    EXPECT_TRUE(waitForSize(800, 600));
    EXPECT_EQ(session->run("xdotool getwindowname " + session->windowId()), "Velmora\n");
    pause(500);
    EXPECT_TRUE(session->gameRunning());
}

TEST_F(GameWindow, ResizeIsHeldAtFourToThree) {
    session->run("xdotool windowsize " + session->windowId() + " 1000 500");
    EXPECT_TRUE(waitForSize(1000, 750));
    pause(300);
    EXPECT_TRUE(session->gameRunning());
    const Screenshot shot = session->screenshot();
    ASSERT_EQ(shot.width, 1000);
    ASSERT_EQ(shot.height, 750);
}

}  // namespace

namespace {

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// Targa header: type, width, height, depth, then whatever follows.
std::string targaHeader(int type, int width, int height, int depth) {
    std::string h(18, '\0');
    h[2] = char(type);
    h[12] = char(width & 255);
    h[13] = char(width >> 8);
    h[14] = char(height & 255);
    h[15] = char(height >> 8);
    h[16] = char(depth);
    return h;
}

class DamagedPictures : public ::testing::Test {
protected:
    XSession session;
    std::string folder;
    std::string log;

    void SetUp() override {
        char pattern[] = "/tmp/velmora-damaged-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        log = folder + "/game.log";
        ASSERT_EQ(mkdir((folder + "/img").c_str(), 0755), 0);
        // bg.tga is missing altogether.
        writeBytes(folder + "/img/teeth.tga", "");                                                  // empty
        writeBytes(folder + "/img/bacteria.tga", targaHeader(2, 64, 64, 32).substr(0, 10));         // truncated header
        writeBytes(folder + "/img/brush.tga", targaHeader(1, 64, 64, 8) + std::string(4096, 'x'));  // colour-mapped
        writeBytes(folder + "/img/drill.tga", targaHeader(2, 30000, 30000, 32) + std::string(64, 'x'));  // absurd
        writeBytes(folder + "/img/food.tga", "\x89PNG\r\n\x1a\n not a targa at all");  // wrong kind of file
        ASSERT_TRUE(session.start()) << "Xvfb would not start";
    }
    void TearDown() override {
        session.stop();
        std::system(("rm -rf " + folder).c_str());
    }
};

TEST_F(DamagedPictures, GameSaysWhichPicturesItCouldNotReadAndPlaysOnUntextured) {
    ASSERT_TRUE(session.startGame(folder, log));
    pause(1500);
    EXPECT_TRUE(session.gameRunning());
    const std::string said = readText(log);
    for (const char* name : {"bg", "teeth", "bacteria", "brush", "drill", "food"})
        EXPECT_NE(said.find(std::string("Texture file img/") + name + ".tga not found\n"), std::string::npos)
            << name << " in:\n"
            << said;
    // Untextured, the background is a white square over the whole canvas:
    // the grey of an empty frame shows nowhere.
    const Screenshot shot = session.screenshot();
    ASSERT_EQ(shot.width, 800);
    int grey = 0, white = 0;
    for (int y = 0; y < shot.height; y += 4)
        for (int x = 0; x < shot.width; x += 4) {
            const unsigned char* p = shot.at(x, y);
            grey += p[0] > 120 && p[0] < 136 && p[1] > 120 && p[1] < 136 && p[2] > 120 && p[2] < 136;
            white += p[0] > 250 && p[1] > 250 && p[2] > 250;
        }
    EXPECT_EQ(grey, 0);
    EXPECT_GT(white, 800 * 600 / 16 / 2);
}

TEST_F(DamagedPictures, UnusableWindowSizeIsReportedAndTheGameGoesOn) {
    ASSERT_TRUE(session.startGame(folder, log));
    session.run("xdotool windowsize " + session.windowId() + " 1 1");
    pause(1000);
    EXPECT_TRUE(session.gameRunning());
    EXPECT_NE(readText(log).find("reshape() values bad w:1 h:1\n"), std::string::npos) << readText(log);
}

}  // namespace

namespace {

// Pixels that changed clearly between two screenshots inside a window rectangle.
int changedPixels(const Screenshot& a, const Screenshot& b, int left, int top, int right, int bottom) {
    int changed = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const unsigned char* p = a.at(x, y);
            const unsigned char* q = b.at(x, y);
            changed += std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 60;
        }
    return changed;
}

TEST_F(GameWindow, DraggingFoodOntoAToothBreedsBacteriaThere) {
    const std::string w = session->windowId();
    // The first tooth's box in window pixels, and where the food starts.
    const int left = 40, top = 110, right = 146, bottom = 326;
    pause(300);
    const Screenshot before = session->screenshot();
    pause(400);
    const Screenshot beforeLater = session->screenshot();
    ASSERT_EQ(before.width, 800);
    const int swarmBefore = changedPixels(before, beforeLater, left, top, right, bottom);

    // Press on the left piece of food, drag it onto the tooth and keep holding.
    session->run("xdotool mousemove --window " + w + " 325 50 mousedown 1 mousemove --window " + w +
                 " 200 130 mousemove --window " + w + " 93 218");
    pause(4000);
    const Screenshot after = session->screenshot();
    pause(400);
    const Screenshot afterLater = session->screenshot();
    session->run("xdotool mouseup 1");
    const int swarmAfter = changedPixels(after, afterLater, left, top, right, bottom);
    RecordProperty("swarm_before", swarmBefore);
    RecordProperty("swarm_after", swarmAfter);

    EXPECT_GT(changedPixels(before, after, 305, 30, 345, 70), 40 * 40 / 5) << "the food left its place";
    EXPECT_GT(changedPixels(before, after, 83, 208, 103, 228), 20 * 20 / 3) << "the food lies on the tooth";
    // Bacteria move all the time: sixteen more of them stir far more pixels.
    EXPECT_GT(swarmAfter, 3 * swarmBefore + 100) << swarmBefore << " -> " << swarmAfter;
    EXPECT_TRUE(session->gameRunning());
}

}  // namespace
