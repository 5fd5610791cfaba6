#include "game/game_clock.h"

#include "app/shell.h"

float gameTime() { return static_cast<float>(elapsedMs / 1000.0); }
