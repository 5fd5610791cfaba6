// Sound in the browser: the same player as the desktop's, over emscripten's
// OpenAL on Web Audio. Browsers hold an audio context until the page has a
// click, a touch or a key; emscripten's OpenAL resumes it then by itself.
#pragma once

struct GameState;

// Opens the player for game, as the desktop's start-up does.
void startBrowserSound(const GameState& game);
// The idle callback with sound: the recorded (or watched) update, heard.
void idleWithSound();
