// The frame loop and the view: display, idle and reshape callbacks, and the
// fixed OpenGL state, shared by the desktop window, the replay and the browser.
#pragma once

#include "core/frame_clock.h"
#include "core/view.h"

// Where the idle callback reads the clock: GLUT's elapsed milliseconds unless
// a program gives its own (the desktop counts only the time its window shows).
using ClockSource = int (*)();
void readClockFrom(ClockSource source);

void onDisplay();
void onIdle();
void onReshape(int width, int height);
void reshapeView(int width, int height);
// The view part of a reshape, for a canvas of width x h pixels (already 4:3),
// without asking for a window size; viewport at the window's corner.
void setCanvasView(int width, int h);

// Clear colour, shading, culling and depth settings set once at start-up.
void setFixedGlState();

// Puts the shell's globals back to their start values (tests and replay).
void resetShell();
