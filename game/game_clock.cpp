#include "game/game_clock.h"

#include "core/frame_clock.h"

float gameTime() { return static_cast<float>(elapsedMs / 1000.0); }
