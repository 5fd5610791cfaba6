// The page's side of sound: its on/off button and what its test asks about,
// exported for JavaScript (Module._setGameSoundOn and the rest).
#include "web/web_sound.h"

#include <emscripten/emscripten.h>

#include "audio/game_sounds.h"
#include "audio/sound_player.h"
#include "web/web_recording.h"

void startBrowserSound(const GameState& game) { startGameSounds(game, false); }

void idleWithSound() { updateWithSound(browserIdle); }

extern "C" {

EMSCRIPTEN_KEEPALIVE void setGameSoundOn(int on) { setSoundOn(on != 0); }
EMSCRIPTEN_KEEPALIVE int gameSoundOn() { return soundIsOn() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int gameSoundPlayerOpen() { return soundPlayerOpen() ? 1 : 0; }
// Sounds started since the page opened; counts only while sound is on.
EMSCRIPTEN_KEEPALIVE double gameSoundsStarted() { return static_cast<double>(soundsStarted()); }

}  // extern "C"
