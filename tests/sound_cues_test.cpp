// The cues read from the game: a scripted half minute of play (food picked
// up and dropped on a tooth, the brush's visit, a tooth falling, the drill's
// strike) gives each cue in the frame the player sees it happen, and no
// other. And the per-update path, with a real OpenAL Soft device behind it,
// allocates nothing on the game's thread.
#include "audio/sound_cues.h"

#include <AL/al.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <new>

#include "audio/game_sounds.h"
#include "audio/sound_player.h"
#include "tests/game_fixture.h"
#include "tests/temp_files.h"

// Every allocation made on a thread that is counting, C++ and C alike (C++'s
// new goes through malloc; OpenAL Soft is a C library). A sanitizer brings
// its own malloc, so there the count covers C++ only.
namespace {
thread_local bool counting = false;
long allocations = 0;
}  // namespace

#if !defined(__SANITIZE_ADDRESS__)
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* malloc(std::size_t size) {
    if (counting) ++allocations;
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) {
    if (counting) ++allocations;
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size) {
    if (counting) ++allocations;
    return __libc_realloc(p, size);
}
}
#else
// GCC, seeing malloc and free through these replacements once they are
// inlined, takes the pair for a mismatch; they are each other's.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
#endif

namespace {

struct Heard {
    int frames = 0;  // frames with this cue
    int total = 0;   // its count summed (births, cracks, thuds)
    int firstMs = -1;
};

class SoundCuesOfAGame : public GameTest {
protected:
    std::map<std::string, Heard> heard;
    SoundView views[2];
    int last = 0;
    float scrubLeftMost = 0, scrubLeftLeast = 1e9f;  // while scrubbing

    void note(const char* name, int count) {
        if (count <= 0) return;
        Heard& h = heard[name];
        ++h.frames;
        h.total += count;
        if (h.firstMs < 0) h.firstMs = clockMs;
    }
    // One frame, heard as the window hears it: against the view after the last.
    void heardFrameAt(int ms) {
        frameAt(ms);
        takeSoundView(*game, views[1 - last]);
        const SoundCues c = compareSoundViews(views[last], views[1 - last]);
        last = 1 - last;
        note("pickUp", c.pickUp);
        note("putDown", c.putDown);
        note("births", c.births);
        note("brushIn", c.brushIn);
        note("brushStrike", c.brushStrike);
        note("brushOut", c.brushOut);
        note("drillStrike", c.drillStrike);
        note("drillOut", c.drillOut);
        note("cracks", c.cracks);
        note("thuds", c.thuds);
        note("scrubbing", c.brushScrubbing);
        if (c.brushScrubbing) {
            scrubLeftMost = std::max(scrubLeftMost, c.brushScrubLeft);
            scrubLeftLeast = std::min(scrubLeftLeast, c.brushScrubLeft);
        }
        note("whirring", c.drillWhirring);
        int onScreen = 0;
        for (const Tooth* t : game->teeth) onScreen += static_cast<int>(t->bacteria.size());
        for (const Tooth* t : game->fallingTeeth) onScreen += static_cast<int>(t->bacteria.size());
        EXPECT_EQ(c.bacteriaOnScreen, onScreen) << ms;
    }
    void heardUntil(int ms) {
        while (clockMs + 16 <= ms) heardFrameAt(clockMs + 16);
    }
};

TEST_F(SoundCuesOfAGame, HalfAMinuteOfPlayGivesEachCueWhenItHappensOnScreen) {
    takeSoundView(*game, views[last]);
    heardUntil(1000);
    const int left = GLUT_LEFT_BUTTON;
    game->onMouse(left, GLUT_DOWN, 325, 50);  // the left piece of food
    heardUntil(1200);
    game->onMotion(93, 218);  // onto the first tooth
    heardUntil(1500);
    game->onMouse(left, GLUT_UP, 93, 218);
    heardUntil(30000);
    game->teeth[5]->health = 1.999f;  // falls at the next update
    heardUntil(35500);

    struct Expected {
        const char* cue;
        int frames;
        int firstFromMs, firstToMs;  // the frame it is first heard in
    };
    const Expected table[] = {
        {"pickUp", 1, 1008, 1016},                                       // the first frame after the press
        {"putDown", 1, 1504, 1516},       {"brushIn", 1, 15008, 15024},  // the brush waits 15 s
        {"scrubbing", 250, 16008, 16040},                                // scrubs 4 s, a frame a 16 ms
        {"brushStrike", 1, 20008, 20056}, {"brushOut", 1, 20008, 20056},
        {"cracks", 1, 30000, 30016},      {"thuds", 1, 33000, 33048},  // three seconds of falling
        {"whirring", 625, 25008, 25024},                               // creeps in for 10 s
        {"drillStrike", 1, 35008, 35056}, {"drillOut", 1, 35008, 35056},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.cue);
        const Heard h = heard[e.cue];
        EXPECT_NEAR(h.frames, e.frames, e.frames / 100 + 1);
        EXPECT_GE(h.firstMs, e.firstFromMs);
        EXPECT_LE(h.firstMs, e.firstToMs);
    }
    EXPECT_EQ(heard["brushStrike"].firstMs, heard["brushOut"].firstMs);
    // The scrubbing counts down its four seconds to the strike, which comes
    // in the first frame past their end.
    EXPECT_NEAR(scrubLeftMost, 4.0f, 0.02f);
    EXPECT_GE(scrubLeftLeast, 0.0f);
    EXPECT_LT(scrubLeftLeast, 0.017f);
    // Four births a second on the fed tooth from the moment the food is over
    // it (held or not) to the strike that puts it back; none from the food
    // lying at its start.
    const double fedSeconds = (heard["brushStrike"].firstMs - 1200) / 1000.0;
    EXPECT_NEAR(heard["births"].total, 4 * fedSeconds, 2);
    EXPECT_GE(heard["births"].firstMs, 1200);
}

// The game's update without the idle callback's GLUT calls, which the
// recording OpenGL would allocate to write down. A birth allocates its
// bacterium: that is the game's, so the update itself is not counted.
int updateClockMs = 0;
GameState* updated = nullptr;
void updateOnly() {
    updateClockMs += 16;
    frameDelta = 0.016f;
    elapsedMs = updateClockMs;
    const bool wasCounting = counting;
    counting = false;
    updated->update();
    counting = wasCounting;
}

TEST_F(SoundCuesOfAGame, HeardUpdatesAllocateNothingWithARealDeviceBehindThem) {
    TempFolder folder;
    const std::string config = folder.file("alsoft.conf");
    std::ofstream(config) << "drivers=wave\n[wave]\nfile=" << folder.file("heard.wav") << "\n";
    setenv("ALSOFT_CONF", config.c_str(), 1);
    const std::string said = captureDiagnostics([&] { startGameSounds(*game, false); });
    unsetenv("ALSOFT_CONF");
    ASSERT_TRUE(soundPlayerOpen()) << said;
    EXPECT_EQ(said, "") << "every sound file read";

    // Two teeth fed, eight births a second, the bubbling bed, then the brush's
    // visit with its scrubbing loop and strike. The frames run far faster
    // than the sounds play, so most pops find their voices busy; the pops
    // wait their moments on the updates' clock, so the updates go on
    // until some have started.
    for (Tooth* t : game->teeth)
        while (t->bacteria.size() < 10) addBacterium(*t);
    for (int i = 0; i < 2; ++i)
        game->food[i].sprite.position = {game->teeth[i * 3]->sprite.position.x, game->teeth[i * 3]->sprite.position.y,
                                         0};
    updated = game.get();
    updateClockMs = 0;
    updateOnly();
    hearUpdate(updateClockMs);
    const long started = soundsStarted();
    counting = true;
    const long before = allocations;
    for (int frame = 0; frame < 20500 / 16; ++frame) {
        updateOnly();
        hearUpdate(updateClockMs);
    }
    EXPECT_EQ(game->brush.phase, BrushLeaving) << "the brush came and struck";
    const long brushAndBed = 5;  // the bed, the swish in, the scrubbing, the strike, the swish out
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (soundsStarted() - started < brushAndBed + 3 && std::chrono::steady_clock::now() < giveUp) {
        updateOnly();
        hearUpdate(updateClockMs);
    }
    const long made = allocations - before;
    counting = false;
    EXPECT_EQ(made, 0);
    EXPECT_GE(soundsStarted() - started, brushAndBed + 3) << "pops and the brush's sounds were started";
    stopGameSounds();
    EXPECT_FALSE(soundPlayerOpen());
}

}  // namespace
