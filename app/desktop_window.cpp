// Full-screen keys and a clean close, through freeglut's extensions.
#include "app/desktop_window.h"

#include <GL/freeglut.h>

#include "app/window_keys.h"
#include "core/state.h"

namespace {

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
        case WindowKeyAction::PassToGame:
            break;
    }
    return false;
}

}  // namespace

void onWindowKeyboard(unsigned char key, int x, int y) {
    if (!applyWindowKey(actionForKey(key, windowIsFullScreen()))) forwardKeyboard(key, x, y);
}

void onWindowSpecial(int key, int x, int y) {
    if (!applyWindowKey(actionForSpecialKey(key, windowIsFullScreen()))) forwardSpecial(key, x, y);
}

void returnFromLoopOnClose() {
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    // freeglut calls this with the closing window's context current, also when
    // the loop is left some other way and it tears the window down.
    glutCloseFunc(leaveCurrentState);
}

void leaveCurrentState() {
    State* leaving = currentState;
    if (!leaving) return;
    currentState = nullptr;
    leaving->leave(nullptr);
}
