// The game's generator: a fixed sequence from 1, drawn in a fixed order.
#include <gtest/gtest.h>

#include "game/random.h"
#include "tests/entity_fixture.h"

namespace {

TEST(RandomSequence, StartsWithTheKnownDraws) {
    resetRandom();
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int value : expected) EXPECT_EQ(nextRandom(), value);
}

TEST(RandomSequence, StaysWithinFifteenBitsAndReachesBothEnds) {
    resetRandom();
    bool sawZero = false, sawTop = false;
    for (int i = 0; i < 1 << 20; ++i) {
        int r = nextRandom();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
        sawZero |= r == 0;
        sawTop |= r == 32767;
    }
    EXPECT_TRUE(sawZero);
    EXPECT_TRUE(sawTop);
}

TEST(RandomSequence, UnitDrawsReachExactlyZeroAndOne) {
    resetRandom();
    ReferenceRandom ref;
    bool sawZero = false, sawOne = false;
    for (int i = 0; i < 1 << 18 && !(sawZero && sawOne); ++i) {
        const int r = ref.next();
        const float u = nextUnit();
        ASSERT_EQ(u, float(r / 32767.0));
        sawZero |= r == 0 && u == 0.0f;
        sawOne |= r == 32767 && u == 1.0f;
    }
    EXPECT_TRUE(sawZero);
    EXPECT_TRUE(sawOne);
}

}  // namespace
