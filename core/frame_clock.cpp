// The one frame clock, moved on once per update by the loop.
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
