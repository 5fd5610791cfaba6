// Deciding which key presses the window takes; no GLUT calls, so tests can ask.
#include "app/window_keys.h"

#include <GL/glut.h>

WindowKeyAction actionForKey(unsigned char key, bool fullScreen) {
    return key == escapeKey && fullScreen ? WindowKeyAction::LeaveFullScreen : WindowKeyAction::PassOn;
}

WindowKeyAction actionForSpecialKey(int key) {
    return key == GLUT_KEY_F11 ? WindowKeyAction::ToggleFullScreen : WindowKeyAction::PassOn;
}
