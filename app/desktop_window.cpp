// Full-screen keys, a canvas kept at 4:3 in whatever window the window manager
// gives, a pause while the window is hidden and a clean end however the window
// goes, through freeglut's extensions and a little of Xlib.
#include "app/desktop_window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>

#include <chrono>

#include "app/canvas_box.h"
#include "app/command_line.h"
#include "session/frame_loop.h"
#include "app/window_keys.h"
#include "audio/sound_player.h"
#include "core/state.h"
#include "gfx/diagnostic.h"
#include "gfx/texture_cache.h"
#include "recording/recorder.h"

namespace {

// Where the canvas lies in the window; the whole window while it has the
// 4:3 size the game asked for.
CanvasBox canvasBox;

PlayClock playClock;
bool saidClockFull = false;

// The window as the X server knows it, to ask whether it still exists.
Display* windowDisplay = nullptr;
Window windowHandle = 0;
void (*gameIdle)() = recordIdle;  // the idle callback while the window is shown
bool hidden = false;
int hidings = 0;  // tells a watch left over from an earlier hiding to stop

// How often a hidden window is checked: a window destroyed while hidden sends
// freeglut nothing it passes on.
constexpr unsigned hiddenWatchMs = 250;

long long steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int readPlayClock() {
    const int reading = playClockReading(playClock, steadyMs());
    if (reading == largestReadingMs && !saidClockFull) {
        saidClockFull = true;
        reportLine("The game clock cannot count past 24.8 days of play: the mouth stands still from now on");
    }
    return reading;
}

bool windowIsFullScreen() { return glutGet(GLUT_FULL_SCREEN) != 0; }

// True when the window took the key.
bool applyWindowKey(WindowKeyAction action) {
    switch (action) {
        case WindowKeyAction::ToggleFullScreen:
            glutFullScreenToggle();
            return true;
        case WindowKeyAction::LeaveFullScreen:
            glutLeaveFullScreen();
            return true;
        case WindowKeyAction::ToggleSound:
            toggleSound();
            return true;
        case WindowKeyAction::PassToGame:
            break;
    }
    return false;
}

bool endingWithoutWindow = false;

void endWithoutWindow() {
    if (endingWithoutWindow) return;
    endingWithoutWindow = true;
    reportLine("The game's window was destroyed by another program: the game ends");
    glutLeaveMainLoop();
}

// Xlib's usual handler ends the process with status 1 on any error. Errors
// about a window that is no longer there are how its destruction shows up
// first (a buffer swap into it), so those end the game as a close does;
// anything else goes to the usual handler.
XErrorHandler usualErrorHandler = nullptr;
int onXError(Display* display, XErrorEvent* error) {
    const bool windowGone = windowHandle && error->resourceid == windowHandle &&
                            (error->error_code == BadWindow || error->error_code == BadDrawable);
    if (windowGone) {
        endWithoutWindow();
        return 0;
    }
    return usualErrorHandler ? usualErrorHandler(display, error) : 0;
}

// A round trip to the X server; should the window be gone, the error it
// answers with goes to onXError.
bool windowStillExists() {
    XWindowAttributes attributes;
    return !windowDisplay || XGetWindowAttributes(windowDisplay, windowHandle, &attributes) != 0;
}

void watchHiddenWindow(int hiding) {
    if (!hidden || hiding != hidings) return;
    if (windowStillExists()) glutTimerFunc(hiddenWatchMs, watchHiddenWindow, hiding);
}

// A minimized or unmapped window: no frames, no updates and no play time, so
// the player comes back to the game as it was. Destroying a shown window
// unmaps it first, so that ends the game here too.
void onWindowStatus(int status) {
    if (status == GLUT_HIDDEN && !hidden) {
        hidden = true;
        hidePlayClock(playClock, steadyMs());
        glutIdleFunc(nullptr);
        if (windowStillExists()) glutTimerFunc(hiddenWatchMs, watchHiddenWindow, ++hidings);
    } else if (status != GLUT_HIDDEN && hidden) {
        hidden = false;
        showPlayClock(playClock, steadyMs());
        glutIdleFunc(gameIdle);
    }
}

}  // namespace

void openGameWindow(CommandLine& commandLine) {
    int glutArgc = static_cast<int>(commandLine.glutArguments.size());
    commandLine.glutArguments.push_back(nullptr);
    startPlayTime();
    glutInit(&glutArgc, commandLine.glutArguments.data());
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    // After glutInit, which would otherwise take the size from -geometry unchecked.
    glutInitWindowSize(commandLine.windowWidth, commandLine.windowHeight);
    glutCreateWindow("Velmora");
    returnFromLoopOnClose();
    watchTheWindow();
    if (commandLine.fullscreen) glutFullScreen();
}

void useGameIdle(void (*idle)()) {
    gameIdle = idle;
    if (!hidden) glutIdleFunc(idle);
}

void startPlayTime() {
    playClock = startPlayClock(steadyMs());
    readClockFrom(readPlayClock);
}

void watchTheWindow() {
    windowDisplay = glXGetCurrentDisplay();
    windowHandle = glXGetCurrentDrawable();
    usualErrorHandler = XSetErrorHandler(onXError);
    glutWindowStatusFunc(onWindowStatus);
}

void onWindowReshape(int width, int height) {
    canvasBox = {};
    const bool fullScreen = windowIsFullScreen();
    // glutReshapeWindow would take the window out of full screen, so the
    // windowed reshape, which always asks for a 4:3 size, is not used there.
    if (!fullScreen || !currentView) {
        recordReshape(width, height);
        // The window has the size asked for, or the size is unusable (said).
        if (!currentView || width <= 0 || height == static_cast<int>(width * 0.75)) return;
    }
    // A full screen, or a window that cannot be or is not yet 4:3 (maximized,
    // tiled): the canvas goes in the largest 4:3 box in the middle.
    const CanvasBox box = fitCanvas(width, height);
    if (box.width <= 0) {
        if (fullScreen) recordReshape(width, height);  // says the size is unusable
        return;
    }
    canvasBox = box;
    // The game sees a canvas of the box's size, as a replay reshaped to it would.
    recordCanvasSize(box.width, box.height);
    setCanvasView(box.width, box.height);
    // OpenGL counts the viewport from the bottom edge.
    glViewport(box.left, height - box.top - box.height, box.width, box.height);
}

void onWindowMouse(int button, int state, int x, int y) {
    recordMouse(button, state, x - canvasBox.left, y - canvasBox.top);
}
void onWindowMotion(int x, int y) { recordMotion(x - canvasBox.left, y - canvasBox.top); }
void onWindowPassiveMotion(int x, int y) { recordPassiveMotion(x - canvasBox.left, y - canvasBox.top); }

void onWindowKeyboard(unsigned char key, int x, int y) {
    if (!applyWindowKey(actionForKey(key, windowIsFullScreen()))) recordKeyboard(key, x, y);
}

void onWindowKeyboardUp(unsigned char key, int x, int y) {
    if (actionForKey(key, windowIsFullScreen()) != WindowKeyAction::ToggleSound) recordKeyboardUp(key, x, y);
}

void onWindowSpecial(int key, int x, int y) {
    if (!applyWindowKey(actionForSpecialKey(key, windowIsFullScreen()))) recordSpecial(key, x, y);
}

bool takeWindowKey(unsigned char key) { return applyWindowKey(actionForKey(key, windowIsFullScreen())); }

bool takeWindowSpecialKey(int key) { return applyWindowKey(actionForSpecialKey(key, windowIsFullScreen())); }

namespace {
// The game state in main outlives the window: what its sprites hold in
// OpenGL goes now, while the context is still current.
void closeWindow() {
    leaveCurrentState();
    releaseGlObjects();
}
}  // namespace

void returnFromLoopOnClose() {
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    // freeglut calls this with the closing window's context current, also when
    // the loop is left some other way and it tears the window down.
    glutCloseFunc(closeWindow);
}

void leaveCurrentState() {
    State* leaving = currentState;
    if (!leaving) return;
    currentState = nullptr;
    leaving->leave(nullptr);
}
