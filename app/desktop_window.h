// The game window as a desktop program: full-screen keys in front of the
// game's own key handling, and a close button that ends the game cleanly
// (GLUT's loop returns, the state is left and destroyed, exit status 0).
#pragma once

// GLUT keyboard and special-key callbacks: the window's keys first, then the
// current state's (forwardKeyboard, forwardSpecial).
void onWindowKeyboard(unsigned char key, int x, int y);
void onWindowSpecial(int key, int x, int y);

// Makes closing the window return from glutMainLoop; call after glutInit.
void returnFromLoopOnClose();

// Leaves the current state while the window's OpenGL context still exists,
// so the pictures its teeth hold go with it, and stops callbacks reaching it.
// Does nothing when no state is current, so calling it twice is harmless.
void leaveCurrentState();
