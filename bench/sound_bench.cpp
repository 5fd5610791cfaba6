// What sound costs. One update's call to the player with a busy game going
// on, and the share of a core that sound takes while such a game plays in
// real time: the player's calls and OpenAL Soft's mixing thread together,
// mixing at the game's rate into a file writer that throws the sound away.
//   build-test/bench/sound_bench   (from the project folder, beside sounds/)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

#include "audio/sound_player.h"

namespace {

// Three fed teeth (a birth on each every quarter second), the brush
// scrubbing, the drill at work and a full swarm's bed: every loop and most
// voices busy at once.
SoundCues busyUpdate(long update) {
    SoundCues cues;
    cues.births = update % 15 == 0 ? 3 : 0;
    cues.brushScrubbing = cues.brushVisiting = true;
    cues.drillWhirring = true;
    cues.bacteriaOnScreen = 400;
    cues.putDown = update % 60 == 0;
    cues.brushStrike = update % 240 == 0;
    return cues;
}

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void PlaySoundCuesWhenBusy(benchmark::State& state) {
    if (!openSoundPlayer(false)) {
        state.SkipWithError("no sound device");
        return;
    }
    long update = 0;
    for (auto _ : state) {
        playSoundCues(busyUpdate(update), double(update) / 60);
        ++update;
    }
    closeSoundPlayer();
}
BENCHMARK(PlaySoundCuesWhenBusy);

// Each iteration plays two seconds at sixty updates a second; the figure is
// the process's processor time over the wall time, in percent of one core.
void ShareOfACoreWhenBusy(benchmark::State& state) {
    if (!openSoundPlayer(false)) {
        state.SkipWithError("no sound device");
        return;
    }
    constexpr int updates = 120;
    double busy = 0, wall = 0;
    long update = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double before = processSeconds();
        for (int u = 0; u < updates; ++u) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(16667 * u));
            playSoundCues(busyUpdate(update), double(update) / 60);
            ++update;
        }
        std::this_thread::sleep_until(start + std::chrono::microseconds(16667 * updates));
        busy += processSeconds() - before;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    closeSoundPlayer();
    state.counters["core_percent"] = 100 * busy / wall;
}
BENCHMARK(ShareOfACoreWhenBusy)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // OpenAL Soft's file writer in real time, as the sound tests listen, but
    // into nothing: the figures are the mixing's, not the disk's.
    const std::string config = "/tmp/velmora-sound-bench-" + std::to_string(getpid()) + ".conf";
    std::ofstream(config) << "drivers=wave\n[wave]\nfile=/dev/null\n";
    setenv("ALSOFT_CONF", config.c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::remove(config.c_str());
    return 0;
}
