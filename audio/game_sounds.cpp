// The two views live here, made once, so a frame only copies numbers.
#include "audio/game_sounds.h"

#include "audio/sound_cues.h"
#include "audio/sound_player.h"

namespace {
const GameState* heard = nullptr;
SoundView before;
SoundView after;
}  // namespace

void startGameSounds(const GameState& game, bool muted) {
    heard = &game;
    openSoundPlayer(muted);
}

void stopGameSounds() {
    closeSoundPlayer();
    heard = nullptr;
}

void updateWithSound(void (*update)()) {
    if (!heard || !soundPlayerOpen()) {
        update();
        return;
    }
    takeSoundView(*heard, before);
    update();
    takeSoundView(*heard, after);
    playSoundCues(compareSoundViews(before, after));
}
