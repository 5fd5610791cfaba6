// The game window as a desktop program: full-screen keys in front of the
// game's own key handling, a full screen that shows the canvas at 4:3 in the
// middle, and a close button that ends the game cleanly (GLUT's loop returns,
// the state is left and destroyed, exit status 0).
#pragma once

// GLUT reshape callback: in a window, the shell's onReshape (the window held
// at 4:3); in full screen, where the window cannot be resized, the canvas is
// fitted into the screen's middle instead.
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
