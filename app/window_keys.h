// The keys that belong to the window rather than to the game: F11 toggles full
// screen and Esc leaves it; M turns sound off and on. Every other key, and Esc in a window, goes to the
// current state as before.
#pragma once

enum class WindowKeyAction { PassToGame, ToggleFullScreen, LeaveFullScreen, ToggleSound };

WindowKeyAction actionForKey(unsigned char key, bool fullScreen);
WindowKeyAction actionForSpecialKey(int key, bool fullScreen);
