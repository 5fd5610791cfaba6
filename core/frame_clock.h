// The frame clock the loop keeps and the game reads: the clock reading of the
// current update, the previous one, and the seconds between them.
#pragma once

// Milliseconds of play, read once per idle call. They only ever go forward.
extern int elapsedMs;
extern int lastFrameMs;
extern float frameDelta;

// Moves the frame clock to a new reading. A reading behind the last one (a
// clock set back, a counter that wrapped past the largest int) is held at the
// last one, with a step of 0: the rules never see time run backwards, and a
// recording of what the game saw keeps its readings in order.
void advanceFrameClock(int nowMs);
