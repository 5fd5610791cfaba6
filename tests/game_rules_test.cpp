// The per-frame rules over scripted clocks: feeding, strikes with the food put
// back, the drill's pick, teeth falling out and being removed.
#include <gtest/gtest.h>

#include "tests/entity_fixture.h"
#include "tests/game_fixture.h"

namespace {

using GameRules = GameTest;

void clearAll(GameState& game) {
    for (Tooth* t : game.teeth) drillTooth(*t);
}

TEST_F(GameRules, FoodOnOverlappingTeethFeedsBothEveryQuarterSecond) {
    clearAll(*game);
    game->food[1].sprite.position = {-256, 100, 0};  // over teeth 0 and 1
    framesUntil(1000, 50);                           // feeds at 0.05 s, then whenever 0.25 s have passed
    EXPECT_EQ(game->teeth[0]->bacteria.size(), 4u);
    EXPECT_EQ(game->teeth[1]->bacteria.size(), 4u);
    EXPECT_EQ(game->teeth[2]->bacteria.size(), 0u);
}

TEST_F(GameRules, ThreeFoodsOnOneToothFeedItThreeTimes) {
    clearAll(*game);
    for (Food& f : game->food) f.sprite.position = {-300, 100, 0};
    frameAt(16);
    EXPECT_EQ(game->teeth[0]->bacteria.size(), 3u);
}

TEST_F(GameRules, BrushStrikeScrubsEveryStandingToothAndPutsTheFoodBack) {
    framesUntil(19984);
    for (Tooth* t : game->teeth) {
        drillTooth(*t);
        for (int i = 0; i < 5; ++i) addBacterium(*t);
        t->health = 50;
    }
    game->heldFood = 2;
    game->onMotion(400, 300);
    EXPECT_EQ(game->food[2].sprite.position.x, 0);
    game->food[2].sprite.position = {600, 600, 0};  // far from every tooth: no feeding
    frameAt(20048);
    EXPECT_EQ(game->brush.struck, false);
    for (Tooth* t : game->teeth) {
        EXPECT_EQ(t->bacteria.size(), 1u);
        EXPECT_NEAR(t->health, 55, 0.01);
    }
    EXPECT_EQ(game->food[2].sprite.position.x, 75);
    EXPECT_EQ(game->food[2].sprite.position.y, 250);
    EXPECT_EQ(game->heldFood, 2) << "the player still holds it";
    game->onMotion(400, 300);
    EXPECT_EQ(game->food[2].sprite.position.y, 0);
}

TEST_F(GameRules, DrillPicksTheToothByTheNextDraw) {
    framesUntil(35008);
    for (Tooth* t : game->teeth) t->health = 40;
    ReferenceRandom ref;
    ref.state = randomState;
    const unsigned pick = unsigned(ref.next()) % 11;
    frameAt(35024);
    for (size_t i = 0; i < game->teeth.size(); ++i) {
        if (i == pick)
            EXPECT_EQ(game->teeth[i]->bacteria.size(), 0u);
        else
            EXPECT_LT(game->teeth[i]->health, 41);
    }
    EXPECT_GT(game->teeth[pick]->health, 99.9f);
}

TEST_F(GameRules, ToothThatStartsFallingIsUpdatedTwiceInThatFrame) {
    frameAt(16);
    Tooth* weak = game->teeth[4];
    drillTooth(*weak);
    weak->health = 1.5f;
    const float y = weak->sprite.position.y;
    frameAt(116);
    ASSERT_EQ(game->fallingTeeth.size(), 1u);
    EXPECT_EQ(game->fallingTeeth[0], weak);
    EXPECT_EQ(game->teeth.size(), 10u);
    EXPECT_FLOAT_EQ(weak->sprite.position.y, y - 600 * 0.1f);
    EXPECT_EQ(weak->phaseStart, 0.116f);
}

TEST_F(GameRules, FallenToothIsRemovedAfterThreeSecondsAndNeverFedOrScrubbed) {
    Tooth* weak = game->teeth[0];
    weak->health = 1;
    frameAt(16);
    ASSERT_EQ(game->fallingTeeth.size(), 1u);
    const size_t bacteria = weak->bacteria.size();
    game->food[0].sprite.position = {-300, 100, 0};  // over the box it fell from
    framesUntil(3016, 50);
    ASSERT_EQ(game->fallingTeeth.size(), 1u);
    EXPECT_EQ(weak->bacteria.size(), bacteria);
    frameAt(3017);
    EXPECT_TRUE(game->fallingTeeth.empty());
    EXPECT_EQ(game->teeth.size(), 10u);
}

TEST_F(GameRules, WithOneToothLeftTheDrillAlwaysDrillsIt) {
    for (size_t i = 1; i < game->teeth.size(); ++i) game->teeth[i]->health = 0;
    frameAt(16);
    ASSERT_EQ(game->teeth.size(), 1u);
    framesUntil(35008, 200);
    framesUntil(35024, 16);
    ASSERT_EQ(game->teeth.size(), 1u);
    EXPECT_TRUE(game->teeth[0]->bacteria.empty());
    EXPECT_GT(game->teeth[0]->health, 99.9f);
}

TEST_F(GameRules, WithNoToothLeftStrikesOnlyPutTheFoodBack) {
    for (Tooth* t : game->teeth) t->health = 0;
    frameAt(16);
    framesUntil(5000, 100);
    EXPECT_TRUE(game->teeth.empty());
    EXPECT_TRUE(game->fallingTeeth.empty());
    // Frame by frame up to the drill's strike, with food lying where a tooth stood.
    std::uint32_t drawsBefore = 0;
    while (game->drill.phase != DrillLeaving) {
        game->food[0].sprite.position = {-300, 100, 0};
        drawsBefore = randomState;
        frameAt(clockMs + 16);
    }
    EXPECT_GT(clockMs, 35000);
    EXPECT_FALSE(game->drill.struck);
    EXPECT_EQ(game->food[0].sprite.position.x, -75);
    EXPECT_EQ(randomState, drawsBefore) << "no tooth to pick, no draw";
}

TEST_F(GameRules, HeaviestLoadStaysBoundedAndInsideTheBoxes) {
    for (Food& f : game->food) f.sprite.position = {-300, 100, 0};
    framesUntil(12000, 16);
    const Tooth* fed = game->teeth[0];
    EXPECT_EQ(fed->bacteria.size(), 100u);
    for (const Tooth* t : game->teeth) {
        EXPECT_LE(t->bacteria.size(), 100u);
        EXPECT_GE(t->health, 0);
        EXPECT_LE(t->health, 100);
        for (const Bacterium* b : t->bacteria) {
            EXPECT_GE(b->sprite.position.x, t->minX);
            EXPECT_LE(b->sprite.position.x, t->maxX);
            EXPECT_GE(b->sprite.position.y, t->minY);
            EXPECT_LE(b->sprite.position.y, t->maxY);
        }
    }
}

}  // namespace
