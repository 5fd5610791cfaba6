// The game heard: the layer that owns the frame loop (the desktop window, the
// browser's entry point) runs each update through here, which looks at the
// game before and after it and hands the difference to the sound player.
#pragma once

struct GameState;

// Opens the player (see openSoundPlayer) and starts listening to game.
void startGameSounds(const GameState& game, bool muted);
void stopGameSounds();

// Runs update (the idle callback that updates the game) between two looks
// at the game, then plays what changed. Allocates nothing.
void updateWithSound(void (*update)());
