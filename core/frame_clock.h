// The frame clock the shell keeps and the game reads: the clock reading of the
// current idle call, the previous one, and the seconds between them; and the
// desktop's play clock, which counts only the time the window could be seen.
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

// Play time on the desktop, counted from any steady clock in milliseconds:
// time since the game began, less the time its window was hidden.
struct PlayClock {
    long long startMs = 0;
    long long hiddenMs = 0;        // hidden time, before the current hiding
    long long hiddenSinceMs = -1;  // when the window was hidden; -1 while it is shown
};

constexpr long long largestReadingMs = 2147483647;  // what an int holds: 24.8 days

PlayClock startPlayClock(long long steadyMs);
void hidePlayClock(PlayClock& clock, long long steadyMs);
void showPlayClock(PlayClock& clock, long long steadyMs);
// Stands still while hidden, and stops at largestReadingMs for good.
int playClockReading(const PlayClock& clock, long long steadyMs);
