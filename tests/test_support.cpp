#include "tests/test_support.h"

#include "core/state.h"
#include "game/random.h"
#include "gfx/sprite.h"
#include "session/frame_loop.h"
#include "tests/recording_gl.h"

void resetGameGlobals() {
    resetShell();
    currentState = nullptr;
    resetSpriteState();
    resetRandom();
    resetRecordingGl();
}
