// Deciding which key presses the window takes; no GLUT calls, so tests can ask.
#include "app/window_keys.h"

#include <GL/glut.h>

namespace {
constexpr unsigned char escapeKey = 27;
}  // namespace

WindowKeyAction actionForKey(unsigned char key, bool fullScreen) {
    return key == escapeKey && fullScreen ? WindowKeyAction::LeaveFullScreen : WindowKeyAction::PassToGame;
}

WindowKeyAction actionForSpecialKey(int key, bool) {
    return key == GLUT_KEY_F11 ? WindowKeyAction::ToggleFullScreen : WindowKeyAction::PassToGame;
}
