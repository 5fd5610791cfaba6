// The game state's construction, entry, leaving, drawing order and clean-up.
#include <gtest/gtest.h>

#include "tests/game_fixture.h"

namespace {

using GameLifecycle = GameTest;

TEST_F(GameLifecycle, ConstructedStateDrawsSixSpritesAndNoTeeth) {
    GameState fresh;
    EXPECT_STREQ(fresh.name, "LiveGame");
    EXPECT_TRUE(fresh.teeth.empty());
    EXPECT_EQ(fresh.background.texture, nullptr);
    EXPECT_EQ(fresh.background.scale.x, 1);
    EXPECT_EQ(fresh.heldFood, -1);
    resetRecordingGl();
    fresh.render();
    EXPECT_EQ(drawnSprites(), 6);
}

TEST_F(GameLifecycle, EnteringBuildsElevenTeethInTableOrderAndPlacesTheFood) {
    ASSERT_EQ(game->teeth.size(), 11u);
    EXPECT_TRUE(game->fallingTeeth.empty());
    const float xs[] = {-307, -207, -76, 77, 208, -279, -185, -88, 7, 100, 195};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(game->teeth[i]->sprite.position.x, xs[i]);
    for (int i = 0; i < foodCount; ++i) {
        EXPECT_EQ(game->food[i].sprite.position.x, -75 + 75 * i);
        EXPECT_EQ(game->food[i].sprite.position.y, 250);
    }
    EXPECT_EQ(game->heldFood, -1);
    EXPECT_EQ(game->background.scale.x, 800);
    EXPECT_EQ(game->background.scale.y, 800);
    ASSERT_NE(game->background.texture, nullptr);
    EXPECT_EQ(currentState, game.get());
}

TEST_F(GameLifecycle, EnteringTwiceAppendsAnotherElevenAndReloadsOnlyTheBackground) {
    TextureHandle* brushPicture = game->brush.sprite.texture;
    const int uploads = countCalls("glTexImage2D");
    game->enter(nullptr);
    EXPECT_EQ(game->teeth.size(), 22u);
    EXPECT_EQ(game->brush.sprite.texture, brushPicture);
    EXPECT_EQ(brushPicture->refCount, 1);
    EXPECT_EQ(game->background.texture->refCount, 1);
    // The background gives its picture back before asking for it again, so
    // that one is read anew; the tools take theirs before giving the old back.
    EXPECT_EQ(countCalls("glTexImage2D"), uploads + 1);
    EXPECT_EQ(uploadedImages.back().width, 1024);
}

TEST_F(GameLifecycle, RenderDrawsInLayerOrder) {
    resetRecordingGl();
    game->render();
    // background, 11 teeth with 2 bacteria each, 3 food, brush, drill
    EXPECT_EQ(drawnSprites(), 1 + 11 * 3 + 3 + 2);
    // The translation right after a sprite's colour is its position.
    std::vector<double> xs;
    for (size_t i = 1; i < glCalls.size(); ++i)
        if (glCalls[i - 1].name == "glColor4fv") xs.push_back(glCalls[i].args[0]);
    ASSERT_EQ(xs.size(), 39u);
    EXPECT_EQ(xs[0], 0);                                               // background
    EXPECT_EQ(xs[1], -307);                                            // first tooth,
    EXPECT_EQ(xs[2], game->teeth[0]->bacteria[0]->sprite.position.x);  // then its bacteria
    EXPECT_EQ(xs[4], -207);                                            // second tooth
    EXPECT_EQ(xs[34], -75);                                            // food
    EXPECT_EQ(xs[36], 75);
    EXPECT_EQ(xs[37], -900);  // brush
    EXPECT_EQ(xs[38], 900);   // drill last
}

TEST_F(GameLifecycle, LeavingDestroysAllTeethAndKeepsTheRest) {
    EXPECT_TRUE(game->leave(nullptr));
    EXPECT_TRUE(game->teeth.empty());
    resetRecordingGl();
    game->render();
    EXPECT_EQ(drawnSprites(), 6);
    EXPECT_TRUE(game->leave(nullptr)) << "leaving with empty lists is harmless";
    EXPECT_NE(game->background.texture, nullptr);
}

TEST_F(GameLifecycle, DestroyingWithoutLeavingGivesBackEveryReference) {
    game->teeth[0]->phase = Falling;
    game->fallingTeeth.push_back(game->teeth[0]);
    game->teeth.erase(game->teeth.begin());
    // TearDown destroys the state and checks the cache is empty.
}

}  // namespace
