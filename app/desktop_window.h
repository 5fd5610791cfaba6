// The game's window on the desktop, for playing and for watching alike: it
// turns freeglut's and X's events into calls on the session. Its own keys (F11,
// and Esc in full screen) come before the session's; the game stands still
// while the window is hidden or minimized (also one started -iconic); and the
// end is clean however the window goes (GLUT's loop returns, the state is left
// and destroyed, exit status 0).
#pragma once

struct CanvasBox;
struct FrameDamage;
struct CommandLine;
struct Session;
enum class PlayerAction;

// Opens the game's window as the command line asks (its GLUT options, the
// size from -geometry, full screen) and watches it. Must come before anything
// that needs the OpenGL context.
void openGameWindow(CommandLine& commandLine);

// The session the window's events go to, and the idle callback that runs it
// while it does not stand still; the window takes the callback away while the
// game stands still and gives it back when it goes on.
void useSession(Session& session, void (*idle)());
// After anything that may have made the game stand still or go on.
void idleOnlyWhileMoving();
// What the player's key or press did that the window shows or keeps: the
// pause or help sign shown or taken away, the sound switch and the help seen
// kept in the settings.
void afterPlayerAction(PlayerAction action);

// GLUT keyboard callbacks: the window's own keys first, then the session's
// (P, N, M), then the game's. A release goes where its press went.
// useWindowKeys registers the four below.
void useWindowKeys();
void windowKeyboard(unsigned char key, int x, int y);
void windowKeyboardUp(unsigned char key, int x, int y);
void windowSpecial(int key, int x, int y);
void windowSpecialUp(int key, int x, int y);

// For a display: where the canvas does not fill the window, endDrawingInBox
// paints everything outside the box in the page's dark colour once the frame
// is drawn, so the game's own grey shows only under the canvas.
void drawInBox(int windowWidth, int windowHeight, const CanvasBox& box);
void endDrawingInBox();

// Showing a frame drawn in parts: where the window system can copy parts of
// the back buffer to the screen (GLX_MESA_copy_sub_buffer), a frame is shown
// by copying the parts drawn, never by a swap, so the back buffer keeps the
// whole frame for the next one to be drawn over. Elsewhere every frame is
// drawn whole and swapped.
bool windowShowsParts();
// True once since the X server asked for any of the window to be painted
// again (an expose): the next frame is shown whole.
bool windowExposed();
// Shows the frame drawn: its parts, or the whole frame by a swap. False when
// the back buffer no longer holds the frame.
bool showFrame(const FrameDamage& drawn);
// After a new window size: the next frame is drawn whole and swapped.
void showNextFrameBySwap();

// Leaves the current state while the window's OpenGL context still exists,
// so the pictures its teeth hold go with it, and stops callbacks reaching it.
// Does nothing when no state is current, so calling it twice is harmless.
void leaveCurrentState();
