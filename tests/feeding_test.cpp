// Food feeding the teeth under its centre.
#include <gtest/gtest.h>

#include "game/food.h"
#include "tests/entity_fixture.h"

namespace {

class Feeding : public EntityTest {
protected:
    Food food;
    std::vector<Tooth*> teeth;
    void SetUp() override {
        EntityTest::SetUp();
        loadLines += captureDiagnostics([&] { buildFood(food); });
        for (int row : {0, 1, 5}) teeth.push_back(&tooth(row));
        for (Tooth* t : teeth) drillTooth(*t);
    }
    void TearDown() override {
        destroyFood(food);
        EntityTest::TearDown();
    }
    std::vector<size_t> feedAt(float x, float y, int ms) {
        food.sprite.position = {x, y, 0};
        at(ms, 0.016f);
        feedTeeth(teeth, food);
        std::vector<size_t> counts;
        for (Tooth* t : teeth) counts.push_back(t->bacteria.size());
        return counts;
    }
};

TEST_F(Feeding, FoodIsBuiltSlightlyTransparentAtTheOrigin) {
    EXPECT_EQ(food.sprite.scale.x, 50);
    EXPECT_EQ(food.sprite.color[3], 0.8f);
    EXPECT_EQ(food.nextFeed, 0);
}

TEST_F(Feeding, TestPointIsTruncatedTowardZero) {
    EXPECT_EQ(feedAt(-253.9f, 100, 1000), (std::vector<size_t>{0, 1, 0})) << "-253 is right of the first tooth";
    EXPECT_EQ(feedAt(-254.2f, 100, 2000), (std::vector<size_t>{1, 2, 0}));
}

TEST_F(Feeding, BoxEdgesAndOverlapsFeedEveryToothUnderThePoint) {
    EXPECT_EQ(feedAt(-260, 187, 1000), (std::vector<size_t>{1, 1, 0})) << "corner of the second tooth";
    EXPECT_EQ(feedAt(-300, -26.5f, 2000), (std::vector<size_t>{2, 1, 1})) << "-26 lies inside both rows";
    EXPECT_EQ(feedAt(-300, 250, 3000), (std::vector<size_t>{2, 1, 1})) << "start height feeds nothing";
}

TEST_F(Feeding, FeedsAtMostOncePerQuarterSecondAndTheTimerRunsOffTheTeeth) {
    feedAt(0, 250, 1000);
    EXPECT_EQ(food.nextFeed, 1.25f);
    EXPECT_EQ(feedAt(-300, 100, 1250), (std::vector<size_t>{0, 0, 0})) << "exactly at nextFeed is too early";
    EXPECT_EQ(feedAt(-300, 100, 1251), (std::vector<size_t>{1, 0, 0}));
    EXPECT_EQ(food.nextFeed, 1.251f + 0.25f);
    EXPECT_EQ(feedAt(-300, 100, 1400), (std::vector<size_t>{1, 0, 0}));
}

TEST_F(Feeding, FullToothTakesNoMore) {
    for (int i = 0; i < 100; ++i) addBacterium(*teeth[0]);
    EXPECT_EQ(feedAt(-300, 100, 1000), (std::vector<size_t>{100, 0, 0}));
}

}  // namespace
