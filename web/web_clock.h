// The game's clock in the browser: GLUT's elapsed time, counted on the page's
// monotonic clock from when the game was loaded.
#pragma once

// Makes the next reading of the clock ms, and the ones after follow on from
// it: how a page back in view leaves out the time it was hidden.
void setGameClock(int ms);
