// Deciding which key presses the window takes; no GLUT calls, so tests can ask.
#include "app/window_keys.h"

#include <GL/glut.h>

namespace {
constexpr unsigned char escapeKey = 27;
}  // namespace

WindowKeyAction actionForKey(unsigned char key, bool fullScreen) {
    // Taken here, like F11, so that recordings and traces stay as they were.
    if (key == 'm' || key == 'M') return WindowKeyAction::ToggleSound;
    return key == escapeKey && fullScreen ? WindowKeyAction::LeaveFullScreen : WindowKeyAction::PassToGame;
}

WindowKeyAction actionForSpecialKey(int key, bool) {
    return key == GLUT_KEY_F11 ? WindowKeyAction::ToggleFullScreen : WindowKeyAction::PassToGame;
}
