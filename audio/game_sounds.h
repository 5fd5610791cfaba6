// The game heard: the loop tells this of every update, and it looks at the
// game after each one and plays what changed since the look after the update
// before (input that came between them included). Reading only: the game's
// rules, random sequence and traces never notice that anyone is listening.
#pragma once

struct GameState;

// Opens the player (see openSoundPlayer) and starts listening to game.
void startGameSounds(const GameState& game, bool muted);
// The same on the loopback device (see openSoundRenderer): the rate, or 0.
int startRenderedGameSounds(const GameState& game);
void stopGameSounds();

// After each update, however many come in one go: each update's events are
// heard, as far as the player's voices allow, at clockMs on the clock the
// sounds follow (see playSoundCues). Allocates nothing.
void hearUpdate(int clockMs);
// The game was swapped for a new one: the next update is compared with the
// game as it is now, so nothing of the swap itself is heard.
void hearAfresh();
// The game stands still: the loops fall silent until updates come again.
void hearStandingStill(int clockMs);
