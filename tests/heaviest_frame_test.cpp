// The heaviest frame drawn for real (Mesa, offscreen, 800 x 600): every tooth
// carrying a hundred bacteria, the brush and the drill on the screen, drawn
// from trimmed quads, flushed as it goes, and from whole ones, must give the
// same picture but for the last level of rounding. The swarm is shot as it
// stands and again as it crawls, every bacterium turned its own way, so
// outlines drawn upright and turned are both compared.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/state.h"
#include "game/bacterium.h"
#include "game/game_state.h"
#include "game/random.h"
#include "gfx/sprite.h"
#include "replay/offscreen_context.h"
#include "session/frame_loop.h"

namespace {

constexpr std::size_t mostLevelsApart = 1;
constexpr std::size_t mostPixelsApart = canvasWidth * canvasHeight / 200;

// One context for the whole program, never torn down: closing Mesa unloads its
// driver, and the driver's own leftovers then show as leaks nobody can name.
OffscreenContext* sharedContext() {
    static OffscreenContext* context = [] {
        OffscreenContext* c = createOffscreenContext(canvasWidth, canvasHeight);
        if (!c) return c;
        resetSpriteState();
        viewSettings.perspective = 0;
        currentView = &viewSettings;
        reshapeView(canvasWidth, canvasHeight);
        setFixedGlState();
        return c;
    }();
    return context;
}

class HeaviestFrame : public testing::Test {
protected:
    void SetUp() override {
        context = sharedContext();
        ASSERT_NE(context, nullptr) << "no offscreen OpenGL context";
        resetRandom();
        elapsedMs = lastFrameMs = 0;
        frameDelta = 0;
        game = std::make_unique<GameState>();
        currentState = nullptr;
        switchState(*game);
        for (Tooth* t : game->teeth)
            while (t->bacteria.size() < maxBacteriaPerTooth) addBacterium(*t);
        game->brush.sprite.position.x = 0;
        game->drill.sprite.position.x = 200;
    }
    void TearDown() override {
        currentState = nullptr;
        game.reset();
        wholeQuads = false;
    }

    std::vector<unsigned char> draw(bool whole) {
        wholeQuads = whole;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        game->render();
        glPopMatrix();
        finishOffscreenFrame(context);
        wholeQuads = false;
        int width = 0, height = 0;
        std::vector<unsigned char> pixels = readOffscreenPixels(context, width, height);
        EXPECT_EQ(width, canvasWidth);
        EXPECT_EQ(height, canvasHeight);
        return pixels;
    }

    // The frame drawn trimmed twice (the second time from the compiled
    // outlines and the kept mouth) and whole. The trimmed quads are cut into
    // other triangles than the whole ones, and llvmpipe works out each
    // triangle's texture coordinates on its own: where a coordinate falls on
    // the edge between two filter weights, it rounds the other way, one level
    // in one channel, in a few hundred pixels of this frame. Anything more, a
    // sprite lost, drawn twice or out of order, a margin that fell short,
    // shows as a larger difference or in many more pixels.
    void expectTrimmedAsWhole(const char* moment) {
        SCOPED_TRACE(moment);
        const std::vector<unsigned char> first = draw(false), again = draw(false), whole = draw(true);
        ASSERT_EQ(first.size(), whole.size());
        std::size_t differing = 0, largest = 0, largestAt = 0;
        for (std::size_t i = 0; i < whole.size(); i += 4) {
            std::size_t d = 0;
            for (std::size_t c = 0; c < 3; ++c)
                d = std::max<std::size_t>(d, static_cast<std::size_t>(std::abs(first[i + c] - whole[i + c])));
            differing += d > 0;
            if (d > largest) largest = d, largestAt = i / 4;
        }
        EXPECT_LE(largest, mostLevelsApart) << "at x " << largestAt % canvasWidth << ", y " << largestAt / canvasWidth;
        EXPECT_LE(differing, mostPixelsApart);
        EXPECT_TRUE(again == first) << "drawn again, the trimmed frame changed";
    }

    OffscreenContext* context = nullptr;
    std::unique_ptr<GameState> game;
};

TEST_F(HeaviestFrame, TrimmedQuadsDrawTheSwarmAsWholeQuadsDo) {
    expectTrimmedAsWhole("the swarm as it was born");
    int turned = 0;
    // The clock stays within the first ten seconds, before any tool comes;
    // the teeth are kept full so that no bacterium is lost.
    for (int ms = 1000; ms <= 3000; ms += 16) {
        frameDelta = 0.016f;
        elapsedMs = ms;
        game->update();
        for (Tooth* t : game->teeth) t->health = 100;
    }
    for (Tooth* t : game->teeth)
        for (Bacterium* b : t->bacteria) turned += b->sprite.angle != 0;
    ASSERT_GT(turned, 900) << "the swarm should be crawling";
    expectTrimmedAsWhole("the swarm crawling");
}

}  // namespace
