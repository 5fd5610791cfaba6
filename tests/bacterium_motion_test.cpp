// Bacterium movement: pull to the tooth's centre, push from the others,
// jitter, confinement to the box, heading.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "game/bacterium.h"
#include "tests/entity_fixture.h"

namespace {

class BacteriumMotion : public EntityTest {
protected:
    // A tooth with exactly one bacterium, placed and at rest.
    Bacterium& lone(Tooth& t, float x, float y) {
        drillTooth(t);
        addBacterium(t);
        Bacterium& b = *t.bacteria[0];
        b.sprite.position = {x, y, 0};
        b.velocity = {0, 0, 0};
        return b;
    }
    ReferenceRandom upcoming() {
        ReferenceRandom ref;
        ref.state = randomState;
        return ref;
    }
};

TEST_F(BacteriumMotion, LoneBacteriumFeelsOnlyPullAndJitter) {
    Tooth& t = tooth(0);  // centre (-307, 82)
    Bacterium& b = lone(t, -317, 77);
    ReferenceRandom ref = upcoming();
    const float jitterX = 100 * ref.unit() - 50;
    const float jitterY = 100 * ref.unit() - 50;
    at(1000, 0.02f);
    updateBacterium(b);
    EXPECT_FLOAT_EQ(b.velocity.x, (50 * 10 + jitterX) / 1000 * 0.02f);
    EXPECT_FLOAT_EQ(b.velocity.y, (50 * 5 + jitterY) / 1000 * 0.02f);
    EXPECT_FLOAT_EQ(b.sprite.position.x, -317 + b.velocity.x * 0.02f);
    EXPECT_EQ(randomState, ref.state) << "an update draws exactly two numbers";
}

TEST_F(BacteriumMotion, NeighbourPushesWithInverseSquareStrength) {
    Tooth& t = tooth(0);
    Bacterium& b = lone(t, -307, 82);
    addBacterium(t);
    Bacterium& other = *t.bacteria[1];
    other.sprite.position = {-317, 82, 0};  // ten units to the left
    ReferenceRandom ref = upcoming();
    const float jitterX = 100 * ref.unit() - 50;
    at(1000, 0.1f);
    updateBacterium(b);
    EXPECT_FLOAT_EQ(b.velocity.x, (200.0f / 100 + jitterX) / 1000 * 0.1f);
}

TEST_F(BacteriumMotion, BacteriaOnTheSameSpotDoNotPush) {
    Tooth& t = tooth(0);
    Bacterium& b = lone(t, -300, 80);
    addBacterium(t);
    t.bacteria[1]->sprite.position = {-300, 80.001f, 0};  // d2 of about 1e-6
    ReferenceRandom ref = upcoming();
    const float jitterX = 100 * ref.unit() - 50;
    const float jitterY = 100 * ref.unit() - 50;
    at(1000, 0.1f);
    updateBacterium(b);
    EXPECT_FLOAT_EQ(b.velocity.x, (50 * -7 + jitterX) / 1000 * 0.1f);
    EXPECT_FLOAT_EQ(b.velocity.y, (50 * 2 + jitterY) / 1000 * 0.1f);
}

TEST_F(BacteriumMotion, ConfinementHoldsTheBoxAndKeepsTheVelocity) {
    Tooth& t = tooth(5);
    const struct { float vx, vy; } pushes[] = {{5000, 0}, {-5000, 0}, {0, 5000}, {0, -5000}, {4000, -4000}};
    for (const auto& p : pushes) {
        Bacterium& b = lone(t, t.sprite.position.x, t.sprite.position.y);
        b.velocity = {p.vx, p.vy, 0};
        b.sprite.position.z = 3;
        at(2000, 0.5f);
        updateBacterium(b);
        EXPECT_GE(b.sprite.position.x, t.minX);
        EXPECT_LE(b.sprite.position.x, t.maxX);
        EXPECT_GE(b.sprite.position.y, t.minY);
        EXPECT_LE(b.sprite.position.y, t.maxY);
        EXPECT_EQ(b.sprite.position.z, 0);
        EXPECT_GT(std::fabs(b.velocity.x) + std::fabs(b.velocity.y), 1000) << "the velocity is not reset";
    }
}

TEST_F(BacteriumMotion, HeadingFollowsTheDirectionOfTravel) {
    Tooth& t = tooth(2);
    const struct {
        float vx, vy, angle;
    } moves[] = {{0, 1000, 0}, {0, -1000, 179.07f}, {1000, 0, 89.54f}, {-1000, 0, 89.54f}};
    for (const auto& m : moves) {
        Bacterium& b = lone(t, t.sprite.position.x, t.sprite.position.y);
        b.velocity = {m.vx, m.vy, 0};
        at(1000, 0.01f);
        updateBacterium(b);
        EXPECT_NEAR(b.sprite.angle, m.angle, 0.01) << m.vx << "," << m.vy;
    }
}

TEST_F(BacteriumMotion, TinyMoveKeepsTheOldHeading) {
    Tooth& t = tooth(2);
    Bacterium& b = lone(t, t.sprite.position.x, t.sprite.position.y);
    b.sprite.angle = 33;
    b.velocity = {0.01f, 0.01f, 0};
    at(1000, 0.01f);  // moves about 1.4e-4 units: below the threshold
    updateBacterium(b);
    EXPECT_EQ(b.sprite.angle, 33);
}

TEST_F(BacteriumMotion, AngleBetweenIsNeverNaN) {
    for (float y = 0.5f; y < 3000; y *= 1.37f) {
        for (float x : {0.0f, 1e-30f, 1e-20f, 1e-7f, -1e-20f}) {
            const float up = angleBetween(x, y, 0, 0, 1, 0);
            const float down = angleBetween(x, -y, 0, 0, 1, 0);
            ASSERT_FALSE(std::isnan(up)) << x << "," << y;
            ASSERT_FALSE(std::isnan(down)) << x << "," << y;
            EXPECT_NEAR(up, 0, 1e-3);
            EXPECT_NEAR(down, M_PI, 1e-3);
        }
    }
    EXPECT_FALSE(std::isnan(angleBetween(0, 0, 0, 0, 1, 0)));
    EXPECT_NEAR(angleBetween(1, 0, 0, 0, 1, 0), M_PI / 2, 1e-6);
}

// The tooth moves its bacteria through a side-by-side fast path; it must give
// the very bits that moving them one by one gives, crowded or not, flat or not.
TEST_F(BacteriumMotion, SwarmUpdateMatchesMovingEachBacteriumInTurn) {
    for (int crowd : {1, 3, 7, 40, 100}) {
        for (bool lifted : {false, true}) {
            SCOPED_TRACE(std::to_string(crowd) + (lifted ? " lifted" : " flat"));
            Tooth& fast = tooth(1);
            Tooth& plain = tooth(1);
            drillTooth(fast);
            drillTooth(plain);
            for (int i = 0; i < crowd; ++i) addBacterium(fast);
            for (int i = 0; i < crowd; ++i) addBacterium(plain);
            for (size_t i = 0; i < plain.bacteria.size(); ++i) {
                plain.bacteria[i]->sprite.position = fast.bacteria[i]->sprite.position;
                plain.bacteria[i]->velocity = fast.bacteria[i]->velocity;
            }
            if (lifted) fast.bacteria[0]->sprite.position.z = plain.bacteria[0]->sprite.position.z = 2;
            for (int frame = 1; frame <= 30; ++frame) {
                at(frame * 16, 0.016f);
                const std::uint32_t draws = randomState;
                updateSwarm(fast);
                randomState = draws;
                for (Bacterium* b : plain.bacteria) updateBacterium(*b);
            }
            for (size_t i = 0; i < plain.bacteria.size(); ++i) {
                const Bacterium& a = *fast.bacteria[i];
                const Bacterium& b = *plain.bacteria[i];
                ASSERT_EQ(std::memcmp(&a.sprite.position, &b.sprite.position, sizeof(Vec3)), 0) << i;
                ASSERT_EQ(std::memcmp(&a.velocity, &b.velocity, sizeof(Vec3)), 0) << i;
                ASSERT_EQ(std::memcmp(&a.sprite.angle, &b.sprite.angle, sizeof(float)), 0) << i;
            }
        }
    }
}

}  // namespace
