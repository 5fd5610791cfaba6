// Shared set-up for entity tests: a clean game clock and generator, teeth built
// from the table, and a check that every texture reference came back.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "game/random.h"
#include "game/tooth.h"
#include "gfx/texture_cache.h"
#include "session/frame_loop.h"
#include "tests/test_support.h"

class EntityTest : public ::testing::Test {
protected:
    std::vector<Tooth*> built;
    std::string loadLines;

    void SetUp() override { resetGameGlobals(); }
    void TearDown() override {
        for (Tooth* t : built) destroyTooth(t);
        EXPECT_TRUE(textureCache.empty()) << "a texture reference was not given back";
    }
    Tooth& tooth(int row) {
        Tooth* t = nullptr;
        loadLines += captureDiagnostics([&] { t = createTooth(toothLayouts[row]); });
        built.push_back(t);
        return *t;
    }
    static void at(int ms, float delta) {
        elapsedMs = ms;
        frameDelta = delta;
    }
};

// The generator's sequence worked out independently of the game's code.
struct ReferenceRandom {
    std::uint32_t state = 1;
    int next() {
        state = state * 214013u + 2531011u;
        return int((state >> 16) & 0x7FFF);
    }
    float unit() { return float(next() / 32767.0); }
};
