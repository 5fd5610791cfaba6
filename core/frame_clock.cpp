// The one frame clock, written by the shell's idle callback (or the replay).
#include "core/frame_clock.h"

int elapsedMs = 0;
int lastFrameMs = 0;
float frameDelta = 0;
