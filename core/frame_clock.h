// The frame clock the shell keeps and the game reads: the clock reading of the
// current idle call, the previous one, and the seconds between them.
#pragma once

// Milliseconds since the window system started, read once per idle call.
extern int elapsedMs;
extern int lastFrameMs;
extern float frameDelta;
