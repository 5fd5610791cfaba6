// The keys that belong to the window rather than to the game: F11 toggles full
// screen and Esc leaves it. Every other key, and Esc in a window, goes on to
// the session (which takes P, N and M) and then to the game.
#pragma once

enum class WindowKeyAction { PassOn, ToggleFullScreen, LeaveFullScreen };

constexpr unsigned char escapeKey = 27;

WindowKeyAction actionForKey(unsigned char key, bool fullScreen);
WindowKeyAction actionForSpecialKey(int key);
