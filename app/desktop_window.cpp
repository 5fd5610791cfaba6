// Full-screen keys and a clean close, through freeglut's extensions.
#include "app/desktop_window.h"

#include <GL/freeglut.h>

#include "app/canvas_box.h"
#include "replay/recorder.h"
#include "app/shell.h"
#include "app/window_keys.h"
#include "audio/sound_player.h"
#include "core/state.h"
#include "gfx/texture_cache.h"

namespace {

// Where the canvas lies in the window; at the corner unless in full screen.
CanvasBox canvasBox;

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

}  // namespace

void onWindowReshape(int width, int height) {
    canvasBox = {};
    // glutReshapeWindow would take the window out of full screen, so the
    // windowed reshape, which always asks for a 4:3 size, is not used there.
    if (!windowIsFullScreen() || !currentView) {
        recordReshape(width, height);
        return;
    }
    const CanvasBox box = fitCanvas(width, height);
    if (box.width <= 0) {
        recordReshape(width, height);  // says the size is unusable
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
