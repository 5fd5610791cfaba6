// The play clock's arithmetic is all in long long milliseconds, clamped before
// it narrows to the int the game reads, so no reading can overflow: not a clock
// running for months, not a steady clock of any origin.
#include "session/play_clock.h"

#include <algorithm>

#include "gfx/diagnostic.h"

PlayClock startPlayClock(long long steadyMs) {
    PlayClock clock;
    clock.startMs = steadyMs;
    return clock;
}

void holdPlayClock(PlayClock& clock, int heldMs) {
    clock.still = true;
    clock.heldMs = std::max(heldMs, 0);
}

void resumePlayClock(PlayClock& clock, long long steadyMs) {
    if (!clock.still) return;
    clock.still = false;
    clock.startMs = steadyMs - clock.heldMs;
}

int readPlayClock(PlayClock& clock, long long steadyMs) {
    if (clock.still) return clock.heldMs;
    // A steady clock never runs back; should one seem to, play stands at 0.
    const long long played = steadyMs >= clock.startMs ? steadyMs - clock.startMs : 0;
    if (played < largestReadingMs) return static_cast<int>(played);
    if (!clock.saidFull) {
        clock.saidFull = true;
        reportLine("The game clock cannot count past 24.8 days of play: the mouth stands still from now on");
    }
    return static_cast<int>(largestReadingMs);
}
