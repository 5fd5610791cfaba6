// The game heard: the layer that owns the frame loop (the desktop window, the
// browser's entry point) runs each update through here, which looks at the
// game before and after it and hands the difference to the sound player.
#pragma once

struct GameState;

// Opens the player (see openSoundPlayer) and starts listening to game.
void startGameSounds(const GameState& game, bool muted);
void stopGameSounds();

// Runs update (the idle callback that updates the game), looks at the game
// and plays what changed since the look after the previous update, input
// included. Allocates nothing.
void updateWithSound(void (*update)());
