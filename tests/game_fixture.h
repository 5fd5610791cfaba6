// Set-up for game-state tests: a fresh game on the recording OpenGL with the
// clock at 0, entered as the game does it, and a check that every texture
// reference is given back when it is destroyed.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "core/state.h"
#include "game/bacterium.h"
#include "game/game_state.h"
#include "game/random.h"
#include "gfx/texture_cache.h"
#include "session/frame_loop.h"
#include "tests/recording_gl.h"
#include "tests/test_support.h"

class GameTest : public ::testing::Test {
protected:
    std::unique_ptr<GameState> game;
    int clockMs = 0;

    void SetUp() override {
        resetGameGlobals();
        viewSettings.perspective = 0;
        currentView = &viewSettings;
        captureDiagnostics([&] {
            game = std::make_unique<GameState>();
            switchState(*game);
        });
    }
    void TearDown() override {
        currentState = nullptr;
        game.reset();
        EXPECT_TRUE(textureCache.empty()) << "a texture reference was not given back";
    }
    // One idle call at the given clock reading, as GLUT would make it.
    void frameAt(int ms) {
        clockMs = ms;
        updateGameAt(ms);
    }
    void framesUntil(int ms, int stepMs = 16) {
        while (clockMs + stepMs <= ms) frameAt(clockMs + stepMs);
    }
    int drawnSprites() { return countCalls("glCallList"); }
};
