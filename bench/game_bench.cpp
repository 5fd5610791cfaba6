// Speed of the game at its heaviest load and at its start, on the OpenGL the
// machine has (Mesa's llvmpipe without a GPU), offscreen at 800 x 600:
// the update alone, a whole frame (trimmed quads, and whole ones to compare),
// frames drawn only where they changed beside whole frames as the game goes on,
// a frame that only clears, start-up, and a quiet replay frame with and
// without its drawing (velmora-replay --no-draw).
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "core/state.h"
#include "game/bacterium.h"
#include "game/game_state.h"
#include "game/random.h"
#include "gfx/diagnostic.h"
#include "gfx/sprite.h"
#include "recording/game_trace.h"
#include "replay/offscreen_context.h"
#include "session/damage.h"
#include "session/frame_loop.h"

// The shell's few GLUT calls, answered here: the benchmarks drive the clock.
extern "C" {
int glutGet(unsigned int) { return elapsedMs; }
void glutPostRedisplay() {}
void glutSwapBuffers() {}
void glutReshapeWindow(int, int) {}
}

namespace {

OffscreenContext* context() {
    static OffscreenContext* shared = [] {
        OffscreenContext* c = createOffscreenContext(canvasWidth, canvasHeight);
        if (!c) std::abort();
        std::fprintf(stderr, "renderer: %s\n", offscreenRenderer());
        resetSpriteState();
        viewSettings.perspective = 0;
        currentView = &viewSettings;
        reshapeView(canvasWidth, canvasHeight);
        setFixedGlState();
        return c;
    }();
    return shared;
}

std::unique_ptr<GameState> startedGame() {
    context();
    resetRandom();
    elapsedMs = lastFrameMs = 0;
    frameDelta = 0;
    auto game = std::make_unique<GameState>();
    currentState = nullptr;
    switchState(*game);
    return game;
}

// Eleven standing teeth with a hundred bacteria each, the brush and the drill
// in the middle of the screen, the food lying on the first tooth.
void makeHeaviest(GameState& game) {
    for (Tooth* t : game.teeth)
        while (t->bacteria.size() < maxBacteriaPerTooth) addBacterium(*t);
    for (Food& f : game.food) f.sprite.position = {-300, 100, 0};
    game.brush.sprite.position.x = 0;
    game.drill.sprite.position.x = 200;
}

void drawFrame(GameState& game) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    game.render();
    glPopMatrix();
    finishOffscreenFrame(context());
}

void reportPeakMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = usage.ru_maxrss / 1024.0;
}

void UpdateAtHeaviestLoad(benchmark::State& state) {
    auto game = startedGame();
    makeHeaviest(*game);
    // The clock runs round within the first ten seconds: no tool arrives and
    // the teeth are kept at full health, so every frame carries the full load.
    int ms = 1000;
    for (auto _ : state) {
        ms = ms >= 10000 ? 1000 : ms + 16;
        frameDelta = 0.016f;
        elapsedMs = ms;
        game->update();
        for (Tooth* t : game->teeth) t->health = 100;
    }
    if (game->teeth.size() != 11 || game->teeth[10]->bacteria.size() != 100) state.SkipWithError("load was lost");
    currentState = nullptr;
}
BENCHMARK(UpdateAtHeaviestLoad)->Unit(benchmark::kMicrosecond);

void FrameOnlyClearing(benchmark::State& state) {
    context();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        finishOffscreenFrame(context());
    }
}
BENCHMARK(FrameOnlyClearing)->Unit(benchmark::kMillisecond);

// The share of each picture's quad that its sprites no longer draw, upright
// and turned, averaged over its shapes (the teeth have one for each cell).
void reportSavedFragments(benchmark::State& state) {
    for (const auto& [key, handle] : textureCache) {
        std::string name = key;
        name = name.substr(name.rfind('/') + 1);
        name = name.substr(0, name.find('.'));
        double upright = 0, turned = 0;
        for (SpriteShape& shape : handle->shapes) {
            addTurnedOutline(shape.outline, handle->coverage, shape.texOffset, shape.texScale, shape.spriteArea);
            upright += shape.outline.whole ? 0 : 1 - shape.outline.upright.share;
            turned += shape.outline.whole ? 0 : 1 - shape.outline.turned.share;
        }
        const double shapes = static_cast<double>(std::max<std::size_t>(handle->shapes.size(), 1));
        state.counters["saved_" + name + "_upright"] = upright / shapes;
        state.counters["saved_" + name + "_turned"] = turned / shapes;
        state.counters["unblended_" + name] = handle->coverage.opaque ? 1 : 0;
        state.counters["kept_" + name] = handle->kept.timesUsed > 0 ? 1 : 0;
    }
}

// wholeQuads draws every quad whole and blended, as before the quads were
// trimmed: the same frames for comparison, in the same run.
void FrameAtStart(benchmark::State& state, bool whole) {
    wholeQuads = whole;
    auto game = startedGame();
    for (auto _ : state) drawFrame(*game);
    currentState = nullptr;
    wholeQuads = false;
}
BENCHMARK_CAPTURE(FrameAtStart, Trimmed, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FrameAtStart, WholeQuads, true)->Unit(benchmark::kMillisecond);

void FrameAtHeaviestLoad(benchmark::State& state, bool whole) {
    wholeQuads = whole;
    auto game = startedGame();
    makeHeaviest(*game);
    for (auto _ : state) drawFrame(*game);
    reportPeakMemory(state);
    if (!whole) reportSavedFragments(state);
    currentState = nullptr;
    wholeQuads = false;
}
BENCHMARK_CAPTURE(FrameAtHeaviestLoad, Trimmed, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FrameAtHeaviestLoad, WholeQuads, true)->Unit(benchmark::kMillisecond);

// Construction, entry with all six pictures read and uploaded, first frame.
void StartUpToFirstFrame(benchmark::State& state) {
    context();
    for (auto _ : state) {
        auto game = startedGame();
        drawFrame(*game);
        state.PauseTiming();
        currentState = nullptr;
        game.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(StartUpToFirstFrame)->Unit(benchmark::kMillisecond);

// One frame of a game nobody touches as the replay plays it: the idle call at
// a clock 16 or 17 ms on, the display unless drawing is left out, the trace line.
void QuietReplayFrame(benchmark::State& state) {
    const bool draw = state.range(0) != 0;
    auto game = startedGame();
    std::string trace;
    long long frame = 0;
    for (auto _ : state) {
        elapsedMs += 16 + static_cast<int>(frame % 2);
        frameDelta = static_cast<float>((elapsedMs - lastFrameMs) / 1000.0);
        lastFrameMs = elapsedMs;
        game->update();
        if (draw) drawFrame(*game);
        trace.clear();
        appendTraceLine(trace, ++frame, *game, false);
        benchmark::DoNotOptimize(trace.data());
    }
    currentState = nullptr;
}
BENCHMARK(QuietReplayFrame)->ArgName("drawn")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// Frames as the window draws them while the game goes on: only the parts that
// changed since the frame before, beside whole frames in the same run. At the
// start every tooth is drained and changes its tint every frame, and the swarm
// is the heaviest load, every bacterium moving: there the clock runs round
// within the game's first ten seconds, so no tool comes. A quiet mouth, the
// game left open, has had its bacteria brushed away: its clock runs on for a
// minute of frames, and the brush and the drill come and go as they do.
enum class Mouth { AtStart, Quiet, Swarm };
void FrameAsTheGameGoesOn(benchmark::State& state, Mouth mouth, bool whole) {
    wholeFrames = whole;
    auto game = startedGame();
    if (mouth == Mouth::Swarm) makeHeaviest(*game);
    if (mouth == Mouth::Quiet)
        for (Tooth* t : game->teeth) {
            for (Bacterium* b : t->bacteria) destroyBacterium(b);
            t->bacteria.clear();
        }
    DamageState damage;
    const auto render = [&game] {
        glPushMatrix();
        game->render();
        glPopMatrix();
    };
    long long drawnInParts = 0, frames = 0;
    int ms = 1000;
    for (auto _ : state) {
        state.PauseTiming();
        ms = ms >= 10000 && mouth != Mouth::Quiet ? 1000 : ms + 16;
        frameDelta = 0.016f;
        elapsedMs = ms;
        game->update();
        for (Tooth* t : game->teeth)
            if (t->health < 50) t->health = 100;  // drained on, never falling
        state.ResumeTiming();
        drawnInParts += drawFrameByDamage(damage, render).whole ? 0 : 1;
        finishOffscreenFrame(context());
        ++frames;
    }
    state.counters["drawn_in_parts"] = frames ? static_cast<double>(drawnInParts) / frames : 0;
    currentState = nullptr;
    wholeFrames = false;
}
BENCHMARK_CAPTURE(FrameAsTheGameGoesOn, AtStartInParts, Mouth::AtStart, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FrameAsTheGameGoesOn, AtStartWhole, Mouth::AtStart, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FrameAsTheGameGoesOn, QuietInParts, Mouth::Quiet, false)
    ->Iterations(3600)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FrameAsTheGameGoesOn, QuietWhole, Mouth::Quiet, true)->Iterations(3600)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FrameAsTheGameGoesOn, SwarmInParts, Mouth::Swarm, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FrameAsTheGameGoesOn, SwarmWhole, Mouth::Swarm, true)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
