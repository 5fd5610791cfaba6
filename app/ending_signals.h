// SIGTERM, SIGINT and SIGHUP end the game as closing its window does: the
// handler only notes the signal, and the game's loop, which looks at least
// four times a second, leaves itself, so every line the game made reaches its
// files before it ends.
#pragma once

void catchEndingSignals();
// The signal caught since the start, or 0.
int endingSignalCaught();
