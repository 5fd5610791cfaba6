// The game window as a desktop program, under Xvfb: closing it the way a
// window manager does ends the game with status 0 and nothing leaked, so does
// another program destroying it, and F11 and Esc switch full screen while the
// game plays on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/temp_files.h"
#include "tests/x_session.h"

namespace {

class DesktopWindow : public ::testing::Test {
protected:
    XSession session;
    std::string log = "/tmp/velmora-desktop-" + std::to_string(::getpid()) + ".log";

    void SetUp() override { ASSERT_TRUE(session.start()) << "Xvfb would not start"; }
    // Use as ASSERT_TRUE(startGame()): a failed start must end the test there.
    bool startGame(const std::vector<std::string>& arguments = {}) { return session.startGame(".", log, arguments); }
    void TearDown() override {
        session.stop();
        std::remove(log.c_str());
    }
    bool waitForSize(int width, int height) {
        if (session.waitForSize(width, height)) return true;
        int w = 0, h = 0;
        session.windowSize(w, h);
        ADD_FAILURE() << "window is " << w << " x " << h << ", expected " << width << " x " << height;
        return false;
    }
    // The key once the window has the focus; the game has handled it once
    // it has drawn frames after it.
    void press(const std::string& key) {
        session.run("timeout " + std::to_string(patienceMs(10000) / 1000) + " xdotool windowfocus --sync " +
                    session.windowId() + " key " + key);
        session.waitForFrames();
    }
};

// Sets an environment variable for the programs started while it lives.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name(name) {
        if (const char* old = std::getenv(name)) saved = old, hadValue = true;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() { hadValue ? setenv(name, saved.c_str(), 1) : unsetenv(name); }

private:
    const char* name;
    std::string saved;
    bool hadValue = false;
};

TEST_F(DesktopWindow, ClosingTheWindowEndsTheGameWithStatusZeroAndNothingLeaked) {
    {
        // When its loop returns, freeglut closes the display and Mesa unloads
        // its driver; LeakSanitizer could then no longer name the driver's own
        // allocations, and tests/driver_leaks.supp would miss them. A preloaded
        // library is never unloaded, so the driver stays nameable, while
        // anything of the game's own is still reported.
        const std::string driver = "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so";
        const char* asan = std::getenv("ASAN_OPTIONS");
        ScopedVariable preload("LD_PRELOAD", access(driver.c_str(), R_OK) == 0 ? driver : "");
        ScopedVariable order("ASAN_OPTIONS", std::string(asan ? asan : "") + ":verify_asan_link_order=0");
        ASSERT_TRUE(startGame()) << "no window titled Velmora appeared";
    }
    // Play a little first, so there are pictures, teeth and bacteria to clean up.
    session.run("xdotool mousemove --window " + session.windowId() + " 325 50 mousedown 1 mousemove --window " +
                session.windowId() + " 93 218");
    ASSERT_TRUE(session.waitForFrames());
    session.run("xdotool mouseup 1");
    ASSERT_TRUE(session.closeWindow()) << "the window does not take WM_DELETE_WINDOW";
    // Generous: under the sanitizers LeakSanitizer's scan runs at exit.
    EXPECT_EQ(session.waitForGameExit(20000), 0) << readText(log);
    const std::string said = readText(log);
    EXPECT_EQ(said.find("Sanitizer"), std::string::npos) << said;
    EXPECT_EQ(said.find("runtime error"), std::string::npos) << said;
}

TEST_F(DesktopWindow, F11TogglesFullScreenAndEscLeavesItOnly) {
    // The game asks the window manager for full screen, so there must be one.
    ASSERT_TRUE(session.startWindowManager("openbox")) << "openbox would not start";
    ASSERT_TRUE(startGame()) << "no window titled Velmora appeared";
    ASSERT_TRUE(waitForSize(800, 600));
    // Esc in a window is the game's, and the game ignores keys.
    press("Escape");
    EXPECT_TRUE(waitForSize(800, 600));

    // Full screen is the whole 1280 x 1024 screen; the canvas keeps 4:3 in
    // its middle (1280 x 960), with bars of the page's dark colour above and
    // below; the game's grey shows nowhere.
    press("F11");
    ASSERT_TRUE(waitForSize(1280, 1024));
    ASSERT_TRUE(session.waitForFrames()) << "no frames drawn at the full screen's size";
    const Screenshot full = session.screenshot();
    ASSERT_EQ(full.height, 1024);
    auto bar = [](const unsigned char* p) { return p[0] == 42 && p[1] == 46 && p[2] == 53; };
    auto grey = [](const unsigned char* p) { return p[0] > 120 && p[0] < 136 && p[1] > 120 && p[1] < 136; };
    int barColoured = 0, greyAnywhere = 0, canvasBar = 0;
    for (int x = 0; x < full.width; x += 8) {
        barColoured += bar(full.at(x, 10)) + bar(full.at(x, 1013));
        greyAnywhere += grey(full.at(x, 10)) + grey(full.at(x, 1013)) + grey(full.at(x, 40)) + grey(full.at(x, 983));
        canvasBar += bar(full.at(x, 40)) + bar(full.at(x, 983));
    }
    EXPECT_EQ(barColoured, 2 * 1280 / 8);
    EXPECT_EQ(greyAnywhere, 0);
    EXPECT_EQ(canvasBar, 0);

    press("Escape");
    EXPECT_TRUE(waitForSize(800, 600));
    press("F11");
    EXPECT_TRUE(waitForSize(1280, 1024));
    press("F11");
    EXPECT_TRUE(waitForSize(800, 600));
    EXPECT_TRUE(session.gameRunning());
}

TEST_F(DesktopWindow, FullscreenOptionStartsInFullScreenAndEscLeavesIt) {
    ASSERT_TRUE(session.startWindowManager("openbox")) << "openbox would not start";
    ASSERT_TRUE(startGame({"--fullscreen"})) << "no window titled Velmora appeared";
    EXPECT_TRUE(waitForSize(1280, 1024));
    press("Escape");
    EXPECT_TRUE(waitForSize(800, 600));
    EXPECT_TRUE(session.gameRunning());
}

// Destroyed by another program (xdotool windowclose), shown or minimized:
// the game ends as a closed one does, with status 0 and one line saying why,
// rather than running on without a window or dying of the X error.
TEST_F(DesktopWindow, ADestroyedWindowEndsTheGameAsAClosedOneDoes) {
    ASSERT_TRUE(session.startWindowManager("openbox")) << "openbox would not start";
    for (const bool minimized : {false, true}) {
        SCOPED_TRACE(minimized ? "minimized" : "shown");
        ASSERT_TRUE(startGame()) << "no window titled Velmora appeared";
        ASSERT_TRUE(session.waitForFrames());
        if (minimized) {
            session.run("xdotool windowminimize " + session.windowId());
            ASSERT_TRUE(waitUntil([&] { return !session.windowViewable(); }, 10000));
        }
        session.run("xdotool windowclose " + session.windowId());
        EXPECT_EQ(session.waitForGameExit(20000), 0) << readText(log);
        const std::string said = readText(log);
        EXPECT_NE(said.find("The game's window was destroyed by another program: the game ends\n"), std::string::npos)
            << said;
        EXPECT_EQ(said.find("X Error"), std::string::npos) << said;
        EXPECT_EQ(said.find("Sanitizer"), std::string::npos) << said;
        session.stopGame();
    }
}

}  // namespace
