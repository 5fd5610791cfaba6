// Frame pacing: the idle callback waits here, before it reads the clock, so
// that frames come no faster than the cap. Off (no waiting at all) until the
// game sets a rate; the replay and the tests never do, as they drive the clock.
#pragma once

struct FramePacer {
    double periodSeconds = 0;  // 0: no cap
    double nextFrame = 0;      // when the next frame may start, in the pacer's clock
    bool started = false;
};

// The seconds to wait before a frame that would start at now (seconds on any
// steady clock), moving the schedule on by one frame. Frames keep to a fixed
// schedule, so frames that wake or draw a little late are made up by the next
// ones; a frame that comes three frames late starts the schedule afresh.
double pacingDelay(FramePacer& pacer, double now);

// The game's pacer: framesPerSecond 0 or less turns waiting off.
void setFrameRateCap(double framesPerSecond);
// Waits for the next frame's slot; counts the frame for the frame log.
void waitForNextFrame();

// With the environment variable VELMORA_FRAME_LOG naming a file, the game
// rewrites it about twice a second with the frames started so far and the
// microseconds since the first, "FRAMES MICROSECONDS": how tests and players
// see the real frame rate.
void startFrameLog();
