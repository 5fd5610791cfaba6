// The two views live here, made once, so an update only copies numbers. The
// view before an update is the one taken after the last: food is picked up
// and put down by the mouse between updates, and is heard at the next one.
#include "audio/game_sounds.h"

#include "audio/sound_cues.h"
#include "audio/sound_player.h"

namespace {
const GameState* heard = nullptr;
SoundView views[2];
int last = 0;  // the view taken after the latest update
}  // namespace

void startGameSounds(const GameState& game, bool muted) {
    heard = &game;
    hearAfresh();
    openSoundPlayer(muted);
}

int startRenderedGameSounds(const GameState& game) {
    heard = &game;
    hearAfresh();
    return openSoundRenderer(false);
}

void stopGameSounds() {
    closeSoundPlayer();
    heard = nullptr;
}

void hearUpdate(int clockMs) {
    if (!heard || !soundPlayerOpen()) return;
    const int now = 1 - last;
    takeSoundView(*heard, views[now]);
    playSoundCues(compareSoundViews(views[last], views[now]), clockMs / 1000.0);
    last = now;
}

void hearAfresh() {
    if (heard) takeSoundView(*heard, views[last]);
}

void hearStandingStill(int clockMs) { quietSoundLoops(clockMs / 1000.0); }
