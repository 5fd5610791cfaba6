// Deciding which key presses the window takes; no GLUT calls, so tests can ask.
#include "app/window_keys.h"

#include <GL/glut.h>

WindowKeyAction actionForKey(unsigned char key, bool fullScreen) {
    return key == escapeKey && fullScreen ? WindowKeyAction::LeaveFullScreen : WindowKeyAction::PassOn;
}

WindowKeyAction actionForSpecialKey(int key) {
    return key == GLUT_KEY_F11 ? WindowKeyAction::ToggleFullScreen : WindowKeyAction::PassOn;
}

namespace {

bool& heldKey(HeldKeys& held, unsigned char key) { return held.keys[key >= 'A' && key <= 'Z' ? key - 'A' + 'a' : key]; }

bool* heldSpecialKey(HeldKeys& held, int key) { return key >= 0 && key < 256 ? &held.specialKeys[key] : nullptr; }

}  // namespace

bool takePress(HeldKeys& held, unsigned char key) {
    bool& down = heldKey(held, key);
    const bool first = !down;
    down = true;
    return first;
}

void takeRelease(HeldKeys& held, unsigned char key) { heldKey(held, key) = false; }

bool takeSpecialPress(HeldKeys& held, int key) {
    bool* down = heldSpecialKey(held, key);
    if (!down) return true;
    const bool first = !*down;
    *down = true;
    return first;
}

void takeSpecialRelease(HeldKeys& held, int key) {
    if (bool* down = heldSpecialKey(held, key)) *down = false;
}

bool anyHeld(const HeldKeys& held) {
    for (int i = 0; i < 256; ++i)
        if (held.keys[i] || held.specialKeys[i]) return true;
    return false;
}
