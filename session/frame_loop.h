// The frame loop and the view, as every program runs them: one update of the
// game at a clock reading, one display, and the reshape that keeps the canvas
// at 4:3. No window system is called here: each program asks its own window
// for the size and swaps its own buffers.
#pragma once

#include "core/frame_clock.h"
#include "core/view.h"

// One update: the frame clock moved on to clockMs, then the current state's
// update. The only place the game is advanced, in every program.
void updateGameAt(int clockMs);

// Clears the frame and draws the current state; whatever render leaves on the
// modelview matrix is thrown away. The program swaps the buffers.
void onDisplay();
// The same without the clear, for a frame drawn in parts.
void renderCurrentState();

// Applies a window size to the view if there is one. True when the size was
// used: the program then asks its window for currentView's width and height,
// the 4:3 size of that width.
bool onReshape(int width, int height);
// The same, on the view there is. A size the game cannot use (no pixels, no
// 4:3 height, wider than the widest canvas) is reported in one line and
// changes nothing.
bool reshapeView(int width, int height);
// The view part of a reshape, for a canvas of width x h pixels (already 4:3);
// viewport at the window's corner.
void setCanvasView(int width, int h);

// Clear colour, shading, culling and depth settings set once at start-up.
void setFixedGlState();

// Puts the loop's globals back to their start values (tests and the replay).
void resetShell();
