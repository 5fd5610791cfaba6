// Keys held down in the window, with the X server repeating them: N starts
// one new game, M switches the sound once, P pauses once, F11 goes to full
// screen once and Esc leaves it once. The test listens to the game window's
// key presses itself, so it sees the repeats the game is sent and waits on
// them rather than on the clock.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/game_exit.h"
#include "tests/temp_files.h"
#include "tests/x_session.h"

namespace {

// Repeats start this long after the press and come this many times a second.
constexpr unsigned repeatDelayMs = 250;
constexpr unsigned repeatsPerSecond = 40;
// Repeats seen before a held key is let go: half a second of them.
constexpr int heldRepeats = 20;

int lineCount(const std::string& path) {
    std::ifstream in(path);
    return static_cast<int>(std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

ino_t inodeOf(const std::string& path) {
    struct stat about {};
    return stat(path.c_str(), &about) == 0 ? about.st_ino : 0;
}

// A second client on the game's display that turns the server's key repeat
// on, counts the presses the game window is sent (any number of clients may
// listen to a window's keys) and notes each size the window takes.
class KeyListener {
public:
    KeyListener(const std::string& displayName, const std::string& window)
        : x(XOpenDisplay(displayName.c_str())), target(std::strtoul(window.c_str(), nullptr, 10)) {
        if (!x) return;
        XAutoRepeatOn(x);
        XkbSetAutoRepeatRate(x, XkbUseCoreKbd, repeatDelayMs, 1000 / repeatsPerSecond);
        XSelectInput(x, target, KeyPressMask | StructureNotifyMask);
        XSync(x, False);
    }
    ~KeyListener() {
        if (x) XCloseDisplay(x);
    }
    KeyListener(const KeyListener&) = delete;
    KeyListener& operator=(const KeyListener&) = delete;

    bool repeatsOn() {
        XKeyboardState state;
        return x && XGetKeyboardControl(x, &state) && state.global_auto_repeat == AutoRepeatModeOn;
    }
    KeyCode code(KeySym key) { return XKeysymToKeycode(x, key); }
    // Presses of the key the window has been sent since the last call.
    int pressesOf(KeyCode code) {
        int presses = 0;
        while (XPending(x)) {
            XEvent event;
            XNextEvent(x, &event);
            presses += event.type == KeyPress && event.xkey.keycode == code;
            const std::pair<int, int> size{event.xconfigure.width, event.xconfigure.height};
            if (event.type == ConfigureNotify && (sizes.empty() || sizes.back() != size)) sizes.push_back(size);
        }
        return presses;
    }

    Display* x;
    std::vector<std::pair<int, int>> sizes;  // each new size of the window, in turn

private:
    Window target;
};

class HeldKeys : public ::testing::Test {
protected:
    XSession session;
    TempFolder folder;
    std::string log = folder.file("game.log"), recording = folder.file("game.rec"), trace = folder.file("game.jsonl");
    std::string settings = folder.file("config") + "/velmora/settings";

    // Holds the key until the window has been sent `repeats` repeats of it,
    // calling during() with the presses so far while it waits, then lets it go.
    void hold(KeyListener& listener, KeySym key, const std::string& name, int repeats = heldRepeats,
              const std::function<void(int)>& during = {}) {
        const KeyCode code = listener.code(key);
        listener.pressesOf(code);
        session.run("xdotool keydown " + name);
        int presses = 0;
        const bool repeated = waitUntil(
            [&] {
                presses += listener.pressesOf(code);
                if (during) during(presses);
                return presses > repeats;
            },
            10000);
        session.run("xdotool keyup " + name);
        ASSERT_TRUE(repeated) << name << " held: " << presses << " presses sent, the server does not repeat";
    }
};

TEST_F(HeldKeys, AHeldKeyActsOnceWhileTheServerRepeatsIt) {
    session.gameEnvironment = {"XDG_CONFIG_HOME=" + folder.file("config")};
    ASSERT_TRUE(session.start()) << "Xvfb would not start";
    ASSERT_TRUE(session.startWindowManager("openbox")) << "openbox would not start";
    ASSERT_TRUE(session.startGame(".", log, {"--record", recording, "--trace", trace})) << readText(log);
    ASSERT_TRUE(session.waitForFrames());
    std::string display = session.run("printenv DISPLAY");
    display.erase(display.find_last_not_of('\n') + 1);
    KeyListener listener(display, session.windowId());
    ASSERT_TRUE(listener.x && listener.repeatsOn()) << "no key repeat on " << display;
    session.run("xdotool windowfocus --sync " + session.windowId());

    hold(listener, XK_n, "n");
    ASSERT_TRUE(session.waitForFrames());
    // N let go while another window has the focus: the game never hears the
    // release, and still takes the next press of N.
    const std::string root = std::to_string(DefaultRootWindow(listener.x));
    listener.pressesOf(listener.code(XK_n));
    session.run("xdotool keydown n");
    ASSERT_TRUE(waitUntil([&] { return listener.pressesOf(listener.code(XK_n)) > 0; }, 10000));
    session.run("xdotool windowfocus " + root + " keyup n");
    // A player takes longer to come back than the game takes to see that no
    // key is down (it looks every 200 ms): frames over half a second drawn
    // after the release, so the look has been taken however busy the machine.
    ASSERT_TRUE(session.waitForFrames());
    session.run("xdotool windowfocus --sync " + session.windowId() + " key n");
    ASSERT_TRUE(session.waitForFrames());

    // Each switch of the sound writes the settings anew and renames them into place.
    const std::string soundBefore = readText(settings);
    std::set<ino_t> files{inodeOf(settings)};
    hold(listener, XK_m, "m", heldRepeats, [&](int) { files.insert(inodeOf(settings)); });
    ASSERT_TRUE(session.waitForFrames());
    files.insert(inodeOf(settings));
    EXPECT_EQ(files.size(), 2u) << "the settings were written " << files.size() - 1 << " times";
    EXPECT_NE(readText(settings), soundBefore);
    // There is no audio device here: the player is told why nothing is heard.
    const std::string said = readText(log);
    const std::string why = "Sound off is kept for the next game: there is no audio device to hear it on now\n";
    EXPECT_NE(said.find(why), std::string::npos) << said;
    EXPECT_EQ(said.find(why), said.rfind(why)) << said;

    // Paused on the press and left paused: no updates in the second half of
    // a second and a half of P held (the trace is written out a few times a
    // second, so the first half may still bring the updates before the
    // press), and one more P goes on with the game.
    int updatesMidway = -1;
    hold(listener, XK_p, "p", 3 * heldRepeats, [&](int presses) {
        if (presses > 3 * heldRepeats / 2 && updatesMidway < 0) updatesMidway = lineCount(trace);
    });
    const int updatesHeld = lineCount(trace);
    EXPECT_EQ(updatesHeld, updatesMidway) << "the game went on while P was held";
    session.run("xdotool key p");
    EXPECT_TRUE(waitUntil([&] { return lineCount(trace) > updatesHeld + 20; }, 10000))
        << "P held left the game unpaused";

    // Full screen once on F11 held, and back once on Esc held, the repeats
    // of Esc never reaching the game.
    const std::vector<std::pair<int, int>> fullScreen{{1280, 1024}}, windowed{{1280, 1024}, {800, 600}};
    listener.pressesOf(0);
    listener.sizes.clear();
    hold(listener, XK_F11, "F11");
    EXPECT_TRUE(session.waitForSize(1280, 1024));
    ASSERT_TRUE(session.waitForFrames());
    listener.pressesOf(0);
    EXPECT_EQ(listener.sizes, fullScreen);
    hold(listener, XK_Escape, "Escape");
    EXPECT_TRUE(session.waitForSize(800, 600));
    ASSERT_TRUE(session.waitForFrames());
    listener.pressesOf(0);
    EXPECT_EQ(listener.sizes, windowed);

    ASSERT_TRUE(session.closeWindow());
    expectGameEnded(session.waitForGameExit(20000), 0, readText(log));
    const std::vector<std::string> script = linesOf(readText(recording));
    EXPECT_EQ(countStarting(script, "restart"), 3);
    EXPECT_EQ(countStarting(script, "keycode 27 "), 0) << "Esc's repeats reached the game";
}

}  // namespace
