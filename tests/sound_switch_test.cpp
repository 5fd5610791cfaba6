// The player alone on OpenAL Soft's loopback device, mixed update by update
// on a clock the test keeps: M turns sound off and on without a click, the
// loops fall silent when the game stands still with no further call, and the
// same cues at the same readings give the same samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "audio/sound_player.h"

namespace {

constexpr double updateSeconds = 1.0 / 60;

// The swarm bubbling, the brush scrubbing and births all along, a strike
// now and then: every kind of sound the player keeps.
SoundCues busy(int update) {
    SoundCues cues;
    cues.bacteriaOnScreen = 200;
    cues.births = update % 7 == 0 ? 2 : 0;
    cues.brushScrubbing = true;
    cues.brushScrubLeft = 3;
    cues.brushVisiting = true;
    cues.brushStrike = update % 45 == 0;
    return cues;
}

// Interleaved stereo samples, updates of the cues at 60 a second, each
// update's sound mixed before the next; before(u) runs ahead of update u.
struct Render {
    int rate = 0;
    std::vector<float> samples;
    std::size_t frames() const { return samples.size() / 2; }
};

Render render(int updates, const std::function<void(int)>& before = {}) {
    Render r;
    r.rate = openSoundRenderer(false);
    if (r.rate == 0) return r;
    const int perUpdate = static_cast<int>(r.rate * updateSeconds);
    r.samples.resize(static_cast<std::size_t>(updates) * perUpdate * 2);
    for (int u = 0; u < updates; ++u) {
        if (before) before(u);
        playSoundCues(busy(u), u * updateSeconds);
        renderSoundSamples(&r.samples[static_cast<std::size_t>(u) * perUpdate * 2], perUpdate);
    }
    closeSoundPlayer();
    setSoundOn(true);
    return r;
}

bool silent(const Render& r, std::size_t frame) {
    return std::fabs(r.samples[2 * frame]) < 1e-6f && std::fabs(r.samples[2 * frame + 1]) < 1e-6f;
}

float largestSample(const Render& r, std::size_t from, std::size_t to) {
    float most = 0;
    for (std::size_t i = 2 * from; i < 2 * to; ++i) most = std::max(most, std::fabs(r.samples[i]));
    return most;
}

TEST(SoundSwitch, SoundTurnsOffAndOnWithoutAClick) {
    constexpr int offAt = 60, onAt = 120;
    const Render r = render(180, [](int u) {
        if (u == offAt) setSoundOn(false);
        if (u == onAt) setSoundOn(true);
    });
    ASSERT_GT(r.rate, 0) << "no loopback device";
    const auto frameOf = [&](int update) { return static_cast<std::size_t>(update * r.rate * updateSeconds); };
    ASSERT_GT(largestSample(r, frameOf(offAt - 10), frameOf(offAt)), 0.05f) << "loud when it is turned off";
    // Off: the last sound before the silence, and the sound's own largest
    // step just before it, are the size of a fade's last steps.
    std::size_t last = frameOf(onAt);
    while (last > frameOf(offAt) && silent(r, last - 1)) --last;
    ASSERT_LT(last, frameOf(onAt)) << "silent while off";
    EXPECT_LT(largestSample(r, last - 1, last), 0.002f) << "the sound stops with a click";
    EXPECT_GE(static_cast<double>(last - frameOf(offAt)) / r.rate, 0.010) << "faded out too fast";
    // On: the first sound after the silence.
    std::size_t first = frameOf(onAt);
    while (first < r.frames() && silent(r, first)) ++first;
    ASSERT_LT(first, r.frames()) << "sound came back";
    EXPECT_LT(largestSample(r, first, first + 1), 0.002f) << "the sound starts with a click";
    // A fade of at least 10 ms: the first millisecond well under the level
    // it comes back to.
    const std::size_t ms = static_cast<std::size_t>(r.rate / 1000);
    EXPECT_LT(largestSample(r, first, first + ms), 0.25f * largestSample(r, first + 20 * ms, first + 60 * ms));
}

TEST(SoundSwitch, TheLoopsFallSilentWhenTheGameStandsStill) {
    const int rate = openSoundRenderer(false);
    ASSERT_GT(rate, 0);
    const int perUpdate = static_cast<int>(rate * updateSeconds);
    std::vector<float> samples(static_cast<std::size_t>(rate) * 2);
    for (int u = 0; u < 60; ++u) {
        SoundCues bed;
        bed.bacteriaOnScreen = 300;
        playSoundCues(bed, u * updateSeconds);
        renderSoundSamples(samples.data(), perUpdate);
    }
    EXPECT_GT(*std::max_element(samples.begin(), samples.begin() + 2 * perUpdate), 0.01f) << "the bed plays";
    quietSoundLoops(1.0);
    renderSoundSamples(samples.data(), rate);  // a second with no call at all
    const auto tail = samples.begin() + samples.size() / 2;
    EXPECT_LT(std::max(*std::max_element(tail, samples.end()), -*std::min_element(tail, samples.end())), 1e-6f);
    closeSoundPlayer();
}

TEST(SoundSwitch, TheSameCuesAtTheSameReadingsSoundTheSame) {
    const Render first = render(120), second = render(120);
    ASSERT_GT(first.rate, 0);
    EXPECT_GT(largestSample(first, 0, first.frames()), 0.05f);
    EXPECT_TRUE(first.samples == second.samples) << "something besides the cues and the clock changed the sound";
}

}  // namespace
