// The real game in a real window under Xvfb, used as a player would.
#include <gtest/gtest.h>

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
