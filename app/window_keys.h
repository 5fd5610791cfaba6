// The keys that belong to the window rather than to the game: F11 toggles full
// screen and Esc leaves it. Every other key, and Esc in a window, goes on to
// the session (which takes P, N and M) and then to the game. And which keys
// are held down, so a held key acts once however often the server repeats it.
#pragma once

enum class WindowKeyAction { PassOn, ToggleFullScreen, LeaveFullScreen };

constexpr unsigned char escapeKey = 27;

WindowKeyAction actionForKey(unsigned char key, bool fullScreen);
WindowKeyAction actionForSpecialKey(int key);

// Keys down now, by character and by special key code.
struct HeldKeys {
    bool keys[256] = {};
    bool specialKeys[256] = {};
};

// True for a key's first press, which it notes; false for a press of a key
// already down, which is the server repeating it. A letter is one key in
// either case, as Shift may change while it is held.
bool takePress(HeldKeys& held, unsigned char key);
void takeRelease(HeldKeys& held, unsigned char key);
// The same for special keys; a code past the table is always a first press.
bool takeSpecialPress(HeldKeys& held, int key);
void takeSpecialRelease(HeldKeys& held, int key);
bool anyHeld(const HeldKeys& held);
