// The per-frame update allocates nothing at the heaviest load: every global
// allocation in this program is counted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "tests/game_fixture.h"

namespace {
long allocations = 0;
}

// GCC, seeing malloc and free through these replacements once they are
// inlined, takes the pair for a mismatch; they are each other's.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

class UpdateAllocation : public GameTest {
protected:
    // The update alone, without the recording of the idle callback's GLUT calls.
    void updateAt(int ms) {
        frameDelta = float((ms - elapsedMs) / 1000.0);
        elapsedMs = ms;
        game->update();
    }
};

TEST_F(UpdateAllocation, HeaviestLoadFramesAllocateNothing) {
    for (Tooth* t : game->teeth)
        while (t->bacteria.size() < maxBacteriaPerTooth) addBacterium(*t);
    for (Food& f : game->food) f.sprite.position = {-300, 100, 0};  // feeding a full tooth
    updateAt(16);
    const long before = allocations;
    for (int ms = 32; ms < 2000; ms += 16) updateAt(ms);
    EXPECT_EQ(allocations, before);
    EXPECT_EQ(game->teeth.size(), 11u);
    EXPECT_EQ(game->teeth[0]->bacteria.size(), 100u);
}

TEST_F(UpdateAllocation, TeethFallingAndGoingAllocateNothing) {
    // Held here so the last tooth's going does not delete the shared textures:
    // the recording OpenGL would allocate to record that call.
    TextureHandle* teethPicture = game->teeth[0]->sprite.texture;
    TextureHandle* bacteriumPicture = game->teeth[0]->bacteria[0]->sprite.texture;
    ++teethPicture->refCount;
    ++bacteriumPicture->refCount;
    for (Tooth* t : game->teeth) t->health = 2.05f;
    updateAt(16);
    const long before = allocations;
    for (int ms = 32; ms < 6000; ms += 16) updateAt(ms);
    EXPECT_EQ(allocations, before);
    EXPECT_TRUE(game->teeth.empty());
    EXPECT_TRUE(game->fallingTeeth.empty());
    releaseTexture(teethPicture);
    releaseTexture(bacteriumPicture);
}

TEST_F(UpdateAllocation, CounterSeesAllocations) {
    const long before = allocations;
    addBacterium(*game->teeth[0]);
    EXPECT_GT(allocations, before);
}

}  // namespace
