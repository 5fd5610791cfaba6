// The real game in a real window under Xvfb, used as a player would.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

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

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

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
        writeBytes(folder + "/img/teeth.tga", "");                                        // empty
        writeBytes(folder + "/img/bacteria.tga", targaHeader(2, 64, 64, 32).substr(0, 10));  // truncated header
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
    const std::string said = readAll(log);
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
    EXPECT_NE(readAll(log).find("reshape() values bad w:1 h:1\n"), std::string::npos) << readAll(log);
}

}  // namespace
