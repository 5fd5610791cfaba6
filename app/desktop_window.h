// The game window as a desktop program: full-screen keys in front of the
// game's own key handling, the canvas at 4:3 in the middle of a window of any
// other shape, a game that pauses while its window is hidden, and an end that
// is clean however the window goes (GLUT's loop returns, the state is left and
// destroyed, exit status 0).
#pragma once

struct CommandLine;

// Opens the game's window as the command line asks (its GLUT options, the
// size from -geometry, full screen), with the play clock started, the close
// button and the window watched as below. Must come before anything that
// needs the OpenGL context.
void openGameWindow(CommandLine& commandLine);
// Registers the idle callback that runs the game while its window is shown.
void useGameIdle(void (*idle)());

// The play clock starts: call before glutInit. From then on the idle callback
// reads a steady clock that leaves out the time the window was hidden.
void startPlayTime();
// Watches the window once it exists: while it is minimized or unmapped the
// game makes no frames and its clock stands still; should another program
// destroy it, the game ends as if it had been closed.
void watchTheWindow();

// GLUT reshape callback: in a window, the shell's onReshape (the window held
// at 4:3); in full screen, or in a window that did not get its 4:3 size (a
// maximized or tiled one), the canvas is fitted into the window's middle.
void onWindowReshape(int width, int height);

// GLUT mouse callbacks: pointer positions made relative to the canvas's
// corner, then the current state's (forwardMouse, ...).
void onWindowMouse(int button, int state, int x, int y);
void onWindowMotion(int x, int y);
void onWindowPassiveMotion(int x, int y);

// GLUT keyboard and special-key callbacks: the window's keys first, then the
// current state's (forwardKeyboard, forwardSpecial).
void onWindowKeyboard(unsigned char key, int x, int y);
void onWindowSpecial(int key, int x, int y);
// The release of a key the window took is the window's too (M), so that a
// recording holds nothing of it.
void onWindowKeyboardUp(unsigned char key, int x, int y);

// The window's own keys (F11, and Esc in full screen) for a window whose game
// takes no keys (a watched recording): true when the window took the key.
bool takeWindowKey(unsigned char key);
bool takeWindowSpecialKey(int key);

// Makes closing the window return from glutMainLoop, leaving the state and
// deleting every OpenGL object the game holds while the context still exists
// (what main destroys afterwards makes no OpenGL call); call after glutInit.
void returnFromLoopOnClose();

// Leaves the current state while the window's OpenGL context still exists,
// so the pictures its teeth hold go with it, and stops callbacks reaching it.
// Does nothing when no state is current, so calling it twice is harmless.
void leaveCurrentState();
