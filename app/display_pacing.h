// Pacing the real game to its display: a swap interval of one through the GLX
// swap-control extensions, and the frame cap for where swapping does not wait.
#pragma once

// framesPerSecond as on the command line: -1 (frameRateOfDisplay) for the
// display's refresh (60 when it cannot be told), 0 for no cap at all, or a cap.
// Needs the window's OpenGL context current.
void startFramePacing(int framesPerSecond);
