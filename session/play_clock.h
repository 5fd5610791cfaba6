// The play clock: milliseconds of play, counted on a steady clock and blind
// to the time the game stood still (a hidden window or tab, a pause, a watch
// that ended). The same clock on the desktop and in the browser; it feeds the
// game's frame clock when playing and a watched recording's pace when watching.
#pragma once

#include "core/steady_clock.h"

constexpr long long largestReadingMs = 2147483647;  // what an int holds: 24.8 days

struct PlayClock {
    long long startMs = 0;  // the steady reading at which play would have read 0
    bool still = false;
    int heldMs = 0;  // the reading it stands at while still
    bool saidFull = false;
};

PlayClock startPlayClock(long long steadyMs);

// Stands the clock still at heldMs: the reading the game last ran with, so
// that when it goes on, its next step is an ordinary one, whatever time
// passed between that update and the moment it stood still.
void holdPlayClock(PlayClock& clock, int heldMs);
// Goes on from the held reading, counting from steadyMs.
void resumePlayClock(PlayClock& clock, long long steadyMs);

// The reading at steadyMs, between 0 and largestReadingMs. At the largest it
// stops for good, and says so in one line the first time.
int readPlayClock(PlayClock& clock, long long steadyMs);
