// Teeth: built from the table, drained by their bacteria, falling below 2
// health and gone three seconds later; brushing and drilling.
#include <gtest/gtest.h>

#include "game/bacterium.h"
#include "tests/entity_fixture.h"

namespace {

using ToothLife = EntityTest;

TEST_F(ToothLife, UpperFrontToothSitsWhereTheTableSays) {
    Tooth& t = tooth(0);
    EXPECT_EQ(t.sprite.position.x, -307);
    EXPECT_EQ(t.sprite.position.y, 82);
    EXPECT_EQ(t.minX, -360.5f);
    EXPECT_EQ(t.maxX, -253.5f);
    EXPECT_EQ(t.minY, -26.5f);
    EXPECT_EQ(t.maxY, 190.5f);
    EXPECT_EQ(t.sprite.scale.x, 107);
    EXPECT_EQ(t.sprite.scale.y, 217);
    EXPECT_TRUE(t.sprite.useTexMatrix);
    EXPECT_EQ(t.sprite.texOffset[0], 0);
    EXPECT_EQ(t.sprite.texOffset[1], 0);
    EXPECT_FLOAT_EQ(t.sprite.texScale[0], 1 / 6.0f);
    EXPECT_NEAR(t.sprite.texScale[1], 217.0 / 107.0 / 6.0, 1e-6);
    EXPECT_EQ(t.health, 100);
    EXPECT_EQ(t.phase, Healthy);
    EXPECT_EQ(t.bacteria.size(), 2u);
    EXPECT_EQ(t.sprite.color[2], 1);
}

TEST_F(ToothLife, EveryRowGivesTheCentreOfTheTableAndItsAtlasCell) {
    const int centres[toothCount][2] = {{-307, 82},  {-207, 82}, {-76, 83}, {77, 71},    {208, 59}, {-279, -62},
                                        {-185, -72}, {-88, -86}, {7, -87},  {100, -100}, {195, -99}};
    for (int row = 0; row < toothCount; ++row) {
        Tooth& t = tooth(row);
        SCOPED_TRACE(row);
        EXPECT_EQ(t.sprite.position.x, centres[row][0]);
        EXPECT_EQ(t.sprite.position.y, centres[row][1]);
        EXPECT_FLOAT_EQ(t.sprite.texOffset[0], toothLayouts[row].atlasColumn / 6.0f);
        EXPECT_EQ(t.sprite.texOffset[1], row < 5 ? 0.0f : 0.5f);
        // (height / width) / 6, to the bit: multiplying by a rounded sixth is
        // one step off for rows 1 and 5 to 10.
        EXPECT_EQ(t.sprite.texScale[1], float(toothLayouts[row].height) / float(toothLayouts[row].width) / 6.0f);
    }
    EXPECT_EQ(tooth(6).sprite.texScale[1], 0.277777761f);
}

TEST_F(ToothLife, FirstTwentyTwoBacteriaUseTheFirst88DrawsAndStartOnTheLowerHalf) {
    for (int row = 0; row < toothCount; ++row) tooth(row);
    ReferenceRandom ref;
    for (int i = 0; i < 88; ++i) ref.next();
    EXPECT_EQ(randomState, ref.state);
    // The very first bacterium, worked out by hand from the draws 41 and 18467.
    const Bacterium& first = *built[0]->bacteria[0];
    EXPECT_NEAR(first.sprite.position.x, -307 + 41 / 32767.0 * 107 - 53.5, 1e-3);
    EXPECT_NEAR(first.sprite.position.y, 82 - 18467 / 32767.0 * 217 * 0.5, 1e-3);
    for (const Tooth* t : built) {
        for (const Bacterium* b : t->bacteria) {
            EXPECT_GE(b->sprite.position.x, t->minX);
            EXPECT_LE(b->sprite.position.x, t->maxX);
            EXPECT_GE(b->sprite.position.y, t->minY);
            EXPECT_LE(b->sprite.position.y, t->sprite.position.y);
            EXPECT_GE(b->velocity.x, -5);
            EXPECT_LE(b->velocity.x, 5);
            EXPECT_EQ(b->sprite.scale.x, 40);
            EXPECT_EQ(b->owner, t);
        }
    }
}

TEST_F(ToothLife, HealthDrainsPerBacteriumAndYellowsTheTooth) {
    Tooth& t = tooth(0);
    for (int i = 0; i < 8; ++i) addBacterium(t);
    at(1000, 0.5f);
    updateTooth(t);
    EXPECT_FLOAT_EQ(t.health, 100 - 0.5f * 0.075f * 10);
    EXPECT_FLOAT_EQ(t.sprite.color[2], t.health / 100);
    EXPECT_EQ(t.sprite.color[0], 1);
    EXPECT_EQ(t.sprite.color[3], 1);
}

TEST_F(ToothLife, ToothWithoutBacteriaKeepsItsHealth) {
    Tooth& t = tooth(3);
    drillTooth(t);
    t.health = 42;
    at(5000, 10);
    updateTooth(t);
    EXPECT_EQ(t.health, 42);
}

TEST_F(ToothLife, HealthNeverLeavesZeroToHundred) {
    Tooth& t = tooth(1);
    at(100, 1000);  // a huge step drains far below zero
    updateTooth(t);
    EXPECT_EQ(t.health, 0);
    t.health = 150;
    t.phase = Healthy;
    drillTooth(t);
    t.health = 150;
    updateTooth(t);
    EXPECT_EQ(t.health, 100);
}

TEST_F(ToothLife, FallStartsStrictlyBelowTwo) {
    Tooth& t = tooth(2);
    drillTooth(t);
    t.health = 2.0f;
    at(1000, 0.016f);
    updateTooth(t);
    EXPECT_EQ(t.phase, Healthy);
    t.health = 1.999f;
    at(1500, 0.016f);
    updateTooth(t);
    EXPECT_EQ(t.phase, Falling);
    EXPECT_EQ(t.phaseStart, 1.5f);
}

TEST_F(ToothLife, FallingToothDropsWithItsBacteriaForThreeSeconds) {
    Tooth& t = tooth(5);
    const float boxBottom = t.minY;
    t.phase = Falling;
    t.phaseStart = 1.0f;
    const float toothY = t.sprite.position.y;
    const float bugX = t.bacteria[0]->sprite.position.x;
    const float bugY = t.bacteria[0]->sprite.position.y;
    const float health = t.health;
    const std::uint32_t draws = randomState;
    at(4000, 0.5f);
    updateTooth(t);
    EXPECT_EQ(t.phase, Falling) << "exactly three seconds is not yet past";
    EXPECT_EQ(t.sprite.position.y, toothY - 300);
    EXPECT_EQ(t.bacteria[0]->sprite.position.y, bugY - 300);
    EXPECT_EQ(t.bacteria[0]->sprite.position.x, bugX);
    EXPECT_EQ(t.minY, boxBottom);
    EXPECT_EQ(t.health, health);
    EXPECT_EQ(randomState, draws) << "falling bacteria do not move by themselves";
    at(4001, 0.001f);
    updateTooth(t);
    EXPECT_EQ(t.phase, Gone);
    const float y = t.sprite.position.y;
    updateTooth(t);
    EXPECT_EQ(t.sprite.position.y, y) << "a gone tooth does nothing";
}

TEST_F(ToothLife, BacteriaAreCappedAtOneHundred) {
    Tooth& t = tooth(0);
    for (int i = 0; i < 97; ++i) addBacterium(t);
    EXPECT_EQ(t.bacteria.size(), 99u);
    addBacterium(t);
    EXPECT_EQ(t.bacteria.size(), 100u);
    const std::uint32_t draws = randomState;
    addBacterium(t);
    EXPECT_EQ(t.bacteria.size(), 100u);
    EXPECT_EQ(randomState, draws);
}

TEST_F(ToothLife, BrushingRemovesTheOldestShareAndGivesHealthBack) {
    const struct { int count, removed; } cases[] = {{0, 0}, {1, 0}, {2, 1}, {4, 3}, {5, 4}, {99, 79}, {100, 98}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        Tooth& t = tooth(0);
        drillTooth(t);
        for (int i = 0; i < c.count; ++i) addBacterium(t);
        std::vector<Bacterium*> survivors(t.bacteria.begin() + c.removed, t.bacteria.end());
        t.health = 10;
        brushTooth(t);
        EXPECT_EQ(t.bacteria, survivors);
        EXPECT_FLOAT_EQ(t.health, std::min(100.0f, 10 + 1.25f * c.removed));
    }
}

TEST_F(ToothLife, BrushingAFullToothEndsAtFullHealth) {
    Tooth& t = tooth(4);
    for (int i = 0; i < 98; ++i) addBacterium(t);
    t.health = 90;
    brushTooth(t);
    EXPECT_EQ(t.bacteria.size(), 2u);
    EXPECT_EQ(t.health, 100);
}

TEST_F(ToothLife, DrillingClearsEverythingAndRestoresHealth) {
    Tooth& t = tooth(7);
    drillTooth(t);
    t.health = 3;
    drillTooth(t);
    EXPECT_EQ(t.health, 100);
    for (int i = 0; i < 30; ++i) addBacterium(t);
    t.health = 50;
    t.sprite.color[2] = 0.5f;
    drillTooth(t);
    EXPECT_TRUE(t.bacteria.empty());
    EXPECT_EQ(t.health, 100);
    EXPECT_EQ(t.phase, Healthy);
    EXPECT_EQ(t.sprite.color[2], 0.5f) << "the colour catches up at the next update";
}

TEST_F(ToothLife, NeighbouringBoxesOverlap) {
    Tooth& a = tooth(0);
    Tooth& b = tooth(1);
    Tooth& lower = tooth(5);
    EXPECT_EQ(b.minX, -260);
    EXPECT_LT(b.minX, a.maxX);
    EXPECT_EQ(lower.maxY, 21.5f);
    EXPECT_LT(a.minY, lower.maxY);
}

}  // namespace
