// The clock as the entities read it: seconds of game time as a float. Entity
// timers are compared strictly against it.
#pragma once

float gameTime();
