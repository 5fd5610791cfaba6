#include "tests/test_support.h"

#include "app/shell.h"
#include "core/state.h"
#include "game/random.h"
#include "gfx/sprite.h"
#include "tests/recording_gl.h"

void resetGameGlobals() {
    resetShell();
    currentState = nullptr;
    resetSpriteState();
    resetRandom();
    resetRecordingGl();
}
