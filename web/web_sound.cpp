// The page's side of sound: its on/off button and what its test asks about,
// exported for JavaScript (Module._setGameSoundOn and the rest). The player
// opens on the page's first click, touch or key: an audio context made before
// that is held silent by the browser, which also warns about it.
#include "web/web_sound.h"

#include <emscripten/emscripten.h>

#include "audio/game_sounds.h"
#include "audio/sound_player.h"

namespace {
const GameState* heardGame = nullptr;
bool opened = false;
}  // namespace

void startBrowserSound(const GameState& game) { heardGame = &game; }

extern "C" {

// Called by the page inside its first user gesture; later calls do nothing.
EMSCRIPTEN_KEEPALIVE void openGameSound() {
    if (opened || !heardGame) return;
    opened = true;
    startGameSounds(*heardGame, !soundIsOn());
}

EMSCRIPTEN_KEEPALIVE void setGameSoundOn(int on) { setSoundOn(on != 0); }
EMSCRIPTEN_KEEPALIVE int gameSoundOn() { return soundIsOn() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int gameSoundPlayerOpen() { return soundPlayerOpen() ? 1 : 0; }
// Sounds started since the page opened; counts only while sound is on.
EMSCRIPTEN_KEEPALIVE double gameSoundsStarted() { return static_cast<double>(soundsStarted()); }

}  // extern "C"
