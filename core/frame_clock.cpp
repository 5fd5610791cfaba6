// The one frame clock, written by the shell's idle callback (or the replay),
// and the desktop's play clock that feeds it.
#include "core/frame_clock.h"

#include <algorithm>

int elapsedMs = 0;
int lastFrameMs = 0;
float frameDelta = 0;

void advanceFrameClock(int nowMs) {
    const int reading = std::max(nowMs, lastFrameMs);
    elapsedMs = reading;
    // Both are ints and reading >= lastFrameMs: the difference cannot overflow
    // as a long long, whatever the two are.
    frameDelta = static_cast<float>((static_cast<long long>(reading) - lastFrameMs) / 1000.0);
    lastFrameMs = reading;
}

PlayClock startPlayClock(long long steadyMs) {
    PlayClock clock;
    clock.startMs = steadyMs;
    return clock;
}

void hidePlayClock(PlayClock& clock, long long steadyMs) {
    if (clock.hiddenSinceMs < 0) clock.hiddenSinceMs = steadyMs;
}

void showPlayClock(PlayClock& clock, long long steadyMs) {
    if (clock.hiddenSinceMs < 0) return;
    clock.hiddenMs += std::max(0LL, steadyMs - clock.hiddenSinceMs);
    clock.hiddenSinceMs = -1;
}

int playClockReading(const PlayClock& clock, long long steadyMs) {
    const long long until = clock.hiddenSinceMs < 0 ? steadyMs : clock.hiddenSinceMs;
    const long long played = until - clock.startMs - clock.hiddenMs;
    return static_cast<int>(std::clamp(played, 0LL, largestReadingMs));
}
