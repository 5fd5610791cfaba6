// The one steady clock the game reads: never set back, whatever happens to the
// computer's time (the page's performance.now in a browser). The play clock,
// the frame pacer and the files' write-outs all count on it.
#pragma once

long long steadyNowMicros();
inline long long steadyNowMs() { return steadyNowMicros() / 1000; }
