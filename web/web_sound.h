// Sound in the browser: the same player as the desktop's, over emscripten's
// OpenAL on Web Audio. Browsers hold an audio context until the page has a
// click, a touch or a key, so the player opens inside the first of those.
#pragma once

struct GameState;

// Makes game the one heard; the player opens at the page's first gesture.
void startBrowserSound(const GameState& game);
