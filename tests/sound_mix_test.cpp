// The mix as the player makes it, heard through OpenAL Soft's file output:
// every sound alone at its level in the mix, in the order a player can follow,
// each event still itself through a small speaker's 400 Hz high-pass, the
// loops without a seam, no event twice the same, and the pops of a steady
// swarm as dense as its births and never in step.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include "audio/sound_player.h"
#include "game/random.h"
#include "tests/sound_listening.h"
#include "tests/sound_measures.h"
#include "tests/temp_files.h"

// A machine so busy that the game is held back just after it starts a sound,
// for longer than the mixer takes to mix its next stretch: the mixer goes on
// with whatever it has been given by then.
std::atomic<bool> stallAfterEachStart{false};

extern "C" void alSourcePlay(ALuint source) {
    static const auto play = reinterpret_cast<void (*)(ALuint)>(dlsym(RTLD_NEXT, "alSourcePlay"));
    play(source);
    if (stallAfterEachStart) std::this_thread::sleep_for(std::chrono::milliseconds(120));
}

// A machine so busy that OpenAL Soft's mixer is held back: it writes its
// stretches to the file from its own thread, and the next one it writes waits
// this long, after which it catches up with the clock in a burst.
std::atomic<int> mixerStallMs{0};
const std::thread::id testThread = std::this_thread::get_id();

extern "C" size_t fwrite(const void* data, size_t size, size_t count, FILE* file) {
    static const auto write =
        reinterpret_cast<size_t (*)(const void*, size_t, size_t, FILE*)>(dlsym(RTLD_NEXT, "fwrite"));
    if (std::this_thread::get_id() != testThread)
        if (const int ms = mixerStallMs.exchange(0)) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return write(data, size, count, file);
}

namespace {

constexpr double updateSeconds = 1.0 / 60;
constexpr double lead = 0.5;  // the file writer starts behind: nothing plays at first

// OpenAL Soft reads its configuration once a process, so every listening
// here goes to the one file it names, moved aside when the device closes.
const TempFolder& listeningFolder() {
    static const TempFolder folder;
    return folder;
}

// How much the mixer has written, in seconds: the updates are paced by it.
// A mixer held back on a busy machine catches up in a burst afterwards, and
// every sound started while it waited would go into the file where it
// stopped, as if the updates had come together; paced by it, each sound goes
// where the updates put it, however late the mixer runs.
double mixedSeconds() {
    using ClockQuery = void(ALC_APIENTRY*)(ALCdevice*, ALCenum, ALCsizei, ALCint64SOFT*);
    ALCdevice* device = alcGetContextsDevice(alcGetCurrentContext());
    static const auto query = reinterpret_cast<ClockQuery>(alcGetProcAddress(device, "alcGetInteger64vSOFT"));
    ALCint64SOFT nanoseconds = 0;
    if (query) query(device, ALC_DEVICE_CLOCK_SOFT, 1, &nanoseconds);
    return double(nanoseconds) * 1e-9;
}

// Plays updates of the given cues to a real device writing into a WAV file,
// sixty a second of what the mixer writes, and reads the file once the
// device is closed.
Recording listen(const std::string& name, int updates, const std::function<SoundCues(int)>& score,
                 const std::function<void()>& afterEach = {}) {
    const std::string wav = listeningFolder().file("heard.wav"), config = listeningFolder().file("alsoft.conf");
    std::ofstream(config) << "drivers=wave\n[wave]\nfile=" << wav << "\n";
    setenv("ALSOFT_CONF", config.c_str(), 1);
    const bool opened = openSoundPlayer(false);
    unsetenv("ALSOFT_CONF");
    if (!opened) return Recording{};
    if (!alcIsExtensionPresent(alcGetContextsDevice(alcGetCurrentContext()), "ALC_SOFT_device_clock")) {
        ADD_FAILURE() << "OpenAL Soft has no device clock to pace the updates by";
        closeSoundPlayer();
        return Recording{};
    }
    double next = mixedSeconds() + lead;
    for (int u = 0; u < updates; ++u) {
        const auto givenUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (mixedSeconds() < next && std::chrono::steady_clock::now() < givenUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (mixedSeconds() < next) {
            ADD_FAILURE() << "the mixer wrote nothing for 10 s, at update " << u;
            break;
        }
        playSoundCues(score(u), u * updateSeconds);
        if (afterEach) afterEach();
        // A busy machine that holds the updates back is not made up for with
        // a burst of them, which would squeeze what they play: like the
        // game's, the next update comes a period after this one.
        next = std::max(next, mixedSeconds() - 2 * updateSeconds) + updateSeconds;
    }
    closeSoundPlayer();
    const std::string kept = listeningFolder().file(name + ".wav");
    std::rename(wav.c_str(), kept.c_str());
    return readRecording(kept);
}

// Stretches of the recording that sound, apart by at least gapSeconds of
// silence (below -60 dBFS), as [from, to) sample ranges.
std::vector<std::pair<std::size_t, std::size_t>> soundingStretches(const Recording& r, double gapSeconds) {
    const auto window = static_cast<std::size_t>(0.005 * r.rate);
    const auto gap = static_cast<std::size_t>(gapSeconds / 0.005);
    std::vector<std::pair<std::size_t, std::size_t>> stretches;
    std::size_t silent = gap;
    for (std::size_t w = 0; (w + 1) * window <= r.mono.size(); ++w) {
        const bool sounding = levelDb(r.mono, w * window, (w + 1) * window) > -60;
        if (sounding && silent >= gap)
            stretches.push_back({w * window, (w + 1) * window});
        else if (sounding)
            stretches.back().second = (w + 1) * window;
        silent = sounding ? 0 : silent + 1;
    }
    return stretches;
}

// The silence that keeps one sound apart from the next: a busy machine may
// hold back the update that ends a loop by a few tenths of a second.
constexpr double apart = 0.8;

// One step of the catalogue: cues given in its first update, states held
// through all of its updates.
struct Step {
    std::string what;
    SoundCues first;  // given firstAt seconds into the step
    SoundCues held;   // for the step's first heldSeconds
    double heldSeconds;
    double seconds;  // held, then silence
    bool loop = false;
    double firstAt = 0;
    bool scrubEnding = false;  // the scrubbing counts down to the end of its held time
    double mixerStall = 0;     // the mixer held back this long once the step's sound has rung out
};

SoundCues cue(const std::function<void(SoundCues&)>& set) {
    SoundCues c;
    set(c);
    return c;
}

std::vector<Step> catalogue() {
    std::vector<Step> steps;
    const auto oneShot = [&](const std::string& what, int times, double seconds,
                             const std::function<void(SoundCues&)>& set) {
        for (int i = 0; i < times; ++i) steps.push_back({what, cue(set), SoundCues{}, 0, seconds + apart});
    };
    // Three seconds of a loop, then time for it to be turned down and stop.
    const auto loop = [&](const std::string& what, const std::function<void(SoundCues&)>& set) {
        steps.push_back({what, SoundCues{}, cue(set), 3.0, 3.0 + apart, true});
    };
    oneShot("pick up", 1, 0.11, [](SoundCues& c) { c.pickUp = true; });
    oneShot("put down", 4, 0.2, [](SoundCues& c) { c.putDown = true; });
    oneShot("pop", 3, 0.3, [](SoundCues& c) { c.births = 1; });  // a quarter second's wait at most
    // A pop while the brush visits, once the swarm has made way for it.
    steps.push_back({"pop, the brush visiting", cue([](SoundCues& c) { c.births = 1; }),
                     cue([](SoundCues& c) { c.brushVisiting = true; }), 1.0, 1.0 + apart, false, 0.5});
    oneShot("brush in", 1, 1.0, [](SoundCues& c) { c.brushIn = true; });
    oneShot("brush strike", 4, 0.7, [](SoundCues& c) { c.brushStrike = true; });
    oneShot("brush out", 1, 0.8, [](SoundCues& c) { c.brushOut = true; });
    oneShot("drill strike", 4, 0.6, [](SoundCues& c) { c.drillStrike = true; });
    // Held back past the next strike's start, the mixer would place that
    // strike where it stalled, straight after this one, were the updates not
    // paced by what it has mixed.
    steps[steps.size() - 3].mixerStall = 1.0;
    oneShot("drill out", 1, 0.9, [](SoundCues& c) { c.drillOut = true; });
    oneShot("crack", 4, 0.3, [](SoundCues& c) { c.cracks = 1; });
    oneShot("thud", 2, 0.45, [](SoundCues& c) { c.thuds = 1; });
    loop("scrub", [](SoundCues& c) {
        c.brushScrubbing = c.brushVisiting = true;
        c.brushScrubLeft = 4;
    });
    // The scrubbing's last second, then the strike that ends it.
    steps.push_back({"strike after scrubbing", cue([](SoundCues& c) { c.brushStrike = true; }),
                     cue([](SoundCues& c) { c.brushScrubbing = c.brushVisiting = true; }), 1.0, 1.75 + apart, false,
                     1.0, true});
    loop("drill whirr", [](SoundCues& c) { c.drillWhirring = true; });
    loop("bubbles, 400 bacteria", [](SoundCues& c) { c.bacteriaOnScreen = 400; });
    loop("bubbles, 22 bacteria", [](SoundCues& c) { c.bacteriaOnScreen = 22; });
    return steps;
}

// The largest normalized correlation of two stretches within 10 ms of
// alignment: near 1 when they are one recording played twice.
double likeness(const std::vector<float>& mono, std::pair<std::size_t, std::size_t> a,
                std::pair<std::size_t, std::size_t> b) {
    const std::size_t n = std::min(a.second - a.first, b.second - b.first);
    double ea = 0, eb = 0;
    for (std::size_t i = 0; i < n; ++i) ea += double(mono[a.first + i]) * mono[a.first + i];
    for (std::size_t i = 0; i < n; ++i) eb += double(mono[b.first + i]) * mono[b.first + i];
    double best = 0;
    for (long lag = -220; lag <= 220; ++lag) {
        double sum = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const long j = static_cast<long>(i) + lag;
            if (j >= 0 && j < static_cast<long>(n)) sum += double(mono[a.first + i]) * mono[b.first + std::size_t(j)];
        }
        best = std::max(best, std::fabs(sum) / std::sqrt(ea * eb));
    }
    return best;
}

// Plays the steps one after another, each step's cues going to its first
// update; `starts` gets each step's first update.
Recording listenToSteps(const std::string& name, const std::vector<Step>& steps,
                        std::vector<std::pair<int, const Step*>>& starts) {
    starts.clear();
    int updates = 0;
    for (const Step& s : steps) {
        starts.push_back({updates, &s});
        updates += static_cast<int>(std::lround(s.seconds / updateSeconds));
    }
    return listen(name, updates, [&](int u) {
        const auto at =
            std::upper_bound(starts.begin(), starts.end(), std::make_pair(u, static_cast<const Step*>(nullptr)),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
        const auto& [first, step] = *(at - 1);
        SoundCues c = u - first < std::lround(step->heldSeconds / updateSeconds) ? step->held : SoundCues{};
        if (step->scrubEnding && c.brushScrubbing)
            c.brushScrubLeft = static_cast<float>(step->heldSeconds - (u - first) * updateSeconds);
        if (step->mixerStall > 0 && u == first + std::lround((step->seconds - apart) / updateSeconds))
            mixerStallMs = static_cast<int>(step->mixerStall * 1000);
        if (u == first + std::lround(step->firstAt / updateSeconds)) {
            const SoundCues& f = step->first;
            c.pickUp = f.pickUp, c.putDown = f.putDown, c.births = f.births, c.brushIn = f.brushIn;
            c.brushStrike = f.brushStrike, c.brushOut = f.brushOut, c.drillStrike = f.drillStrike;
            c.drillOut = f.drillOut, c.cracks = f.cracks, c.thuds = f.thuds;
        }
        return c;
    });
}

// The scrubbing's ending in the step that starts at sample `from`: where
// the strike was heard, the scrubbing's full level, its last moments' level,
// and whether an onset marks the strike.
struct ScrubEnding {
    double struck = 0, full = 0, ending = 0;
    bool onset = false;
    bool heard() const { return ending <= full - 8 && onset; }
    std::string text() const {
        char line[200];
        std::snprintf(line, sizeof line,
                      "strike heard %.3f s into its step%s; the scrubbing %.1f dB at full, %.1f dB "
                      "before the strike (at least 8 lower)",
                      struck, onset ? "" : " with no onset", full, ending);
        return line;
    }
};

ScrubEnding hearScrubEnding(const Recording& heard, std::size_t from, double stepSeconds) {
    const auto at = [&](double seconds) { return from + static_cast<std::size_t>(seconds * heard.rate); };
    // The strike is the loudest moment of the step, wherever a busy machine
    // put it; its first rise is where the 5 ms before it are more than 12 dB
    // under that. The scrubbing is stroked, its level swinging by 10 dB, so
    // its full level is taken just before its quarter second of dying away,
    // and its last moments are the quietest 40 ms of the 0.2 s before the
    // strike: a busy machine may hold back the fade's last updates, or the
    // strike's.
    const auto level5 = [&](double s) { return levelDb(heard.mono, at(s), at(s + 0.005)); };
    ScrubEnding result;
    double loudest = 0.6;
    for (double s = 0.6; s < stepSeconds - 0.005; s += 0.005)
        if (level5(s) > level5(loudest)) loudest = s;
    result.struck = loudest;
    while (result.struck > 0.6 && level5(result.struck - 0.005) > level5(loudest) - 12) result.struck -= 0.005;
    result.full = levelDb(heard.mono, at(result.struck - 0.5), at(result.struck - 0.3));
    for (double s = result.struck - 0.2; s <= result.struck - 0.04; s += 0.005)
        result.ending = std::min(result.ending, levelDb(heard.mono, at(s), at(s + 0.04)));
    // Its energy leaps as an onset a little after its first rise.
    const std::vector<double> onsets = findOnsets(heard);
    const double strikeAt = double(from) / heard.rate + result.struck;
    result.onset =
        std::any_of(onsets.begin(), onsets.end(), [&](double o) { return o > strikeAt - 0.05 && o < strikeAt + 0.2; });
    return result;
}

TEST(TheMix, EverySoundAloneSitsAtItsLevelKeepsItsCharacterOnSmallSpeakersAndNeverRepeatsItself) {
    const std::vector<Step> steps = catalogue();
    std::vector<std::pair<int, const Step*>> starts;  // update, step
    const std::uint32_t randomBefore = randomState;
    const Recording heard = listenToSteps("catalogue", steps, starts);
    ASSERT_GT(heard.rate, 0) << "no device, or no file from OpenAL Soft";
    EXPECT_EQ(randomState, randomBefore) << "the player drew from the game's random sequence";

    const auto stretches = soundingStretches(heard, 0.2);
    const auto listed = [&] {
        std::string text;
        for (const auto& [from, to] : stretches)
            text += " " + std::to_string(double(from) / heard.rate).substr(0, 6) + "-" +
                    std::to_string(double(to) / heard.rate).substr(0, 6);
        text += "\nthe steps' starts:";
        for (const auto& [u, step] : starts)
            text += " " + step->what + " " + std::to_string(lead + u * updateSeconds).substr(0, 6);
        return text;
    };
    ASSERT_EQ(stretches.size(), steps.size()) << "each sound heard apart from the next; heard (s):" << listed();
    const std::vector<double> loudness = shortLoudness(heard, 0.1, 0.005);
    const std::vector<float> small = highPassed(heard.mono, heard.rate, 400);
    const auto window = [&](std::size_t sample) { return std::min(loudness.size() - 1, sample / (heard.rate / 200)); };

    std::map<std::string, std::vector<double>> levels;
    std::map<std::string, std::vector<std::pair<std::size_t, std::size_t>>> plays;
    std::printf("each sound alone, as the mix plays it (100 ms loudness, LUFS; high-passed at 400 Hz, dB):\n");
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE(step.what);
        auto [from, to] = stretches[i];
        double level;
        if (step.loop) {
            // The steady middle: the loop's level is its median, and no 20 ms
            // of it falls 10 dB below that.
            from += heard.rate / 2, to -= heard.rate / 2;
            std::vector<double> middle(loudness.begin() + long(window(from)), loudness.begin() + long(window(to)));
            level = median(middle);
            const std::vector<float> part(heard.mono.begin() + long(from), heard.mono.begin() + long(to));
            const std::vector<double> steps20 = windowLevels(part, heard.rate, 0.02);
            const double deepest = *std::min_element(steps20.begin(), steps20.end());
            EXPECT_GE(deepest, median(steps20) - 10) << "a seam or a gap in the loop";
        } else {
            level = *std::max_element(loudness.begin() + long(window(from)), loudness.begin() + long(window(to)));
            const double drop = levelDb(heard.mono, from, to) - levelDb(small, from, to);
            EXPECT_LE(drop, 10.0) << "lost through a small speaker";
            plays[step.what].push_back({from, to});
            std::printf("  %-22s %6.1f  high-passed %5.1f lower\n", step.what.c_str(), level, drop);
        }
        if (step.loop) std::printf("  %-22s %6.1f  (median)\n", step.what.c_str(), level);
        levels[step.what].push_back(level);
    }
    // The scrubbing dies away before the strike, which rings out in the
    // clear: a sound that starts, as the onsets tell it.
    {
        const auto it = std::find_if(steps.begin(), steps.end(), [](const Step& s) { return s.scrubEnding; });
        ScrubEnding ending = hearScrubEnding(heard, stretches[std::size_t(it - steps.begin())].first, it->seconds);
        // A mixer held back over the fade mixes its last moments late, all at
        // the level of the moment it catches up, with the strike among them:
        // the player then hears less of the fade than the game made. The step
        // alone, listened to again, tells that apart from a fade not made.
        for (int again = 1; again <= 2 && !ending.heard(); ++again) {
            std::printf("the scrubbing's ending, listening %d: %s; the step alone again\n", again,
                        ending.text().c_str());
            const std::vector<Step> alone{*it};
            std::vector<std::pair<int, const Step*>> aloneStarts;
            const Recording heardAlone = listenToSteps("scrub ending", alone, aloneStarts);
            const auto aloneStretches = soundingStretches(heardAlone, 0.2);
            ASSERT_FALSE(aloneStretches.empty()) << "the step alone was not heard";
            ending = hearScrubEnding(heardAlone, aloneStretches.front().first, it->seconds);
        }
        EXPECT_TRUE(ending.heard()) << "the scrubbing does not die away before the strike: " << ending.text();
    }
    const auto averageLevel = [&](const std::string& what) {
        double sum = 0;
        for (double l : levels[what]) sum += std::pow(10.0, l / 10);
        return 10 * std::log10(sum / double(levels[what].size()));
    };
    // The order a player can follow, with a clear step between each.
    const double pop = averageLevel("pop"), scrub = averageLevel("scrub");
    for (const char* event :
         {"pick up", "put down", "brush in", "brush strike", "brush out", "drill strike", "drill out", "crack", "thud"})
        EXPECT_GE(averageLevel(event), pop + 3) << event << " is not above the pops";
    // The brush's visit: its scrubbing at the pops' level or over, and the
    // swarm making way for it while it visits.
    EXPECT_GE(scrub, pop - 1) << "the brush's scrubbing is buried";
    EXPECT_GE(scrub, averageLevel("pop, the brush visiting") + 6) << "the brush is not the main thing of its visit";
    EXPECT_LE(averageLevel("drill whirr"), pop - 3) << "the drill's whirr is not under the pops";
    EXPECT_LE(averageLevel("drill whirr"), scrub - 3) << "the drill dominates the brush";
    EXPECT_LE(averageLevel("bubbles, 400 bacteria"), pop - 3) << "the bed is not under the pops";
    EXPECT_LT(averageLevel("bubbles, 22 bacteria"), averageLevel("bubbles, 400 bacteria") - 6)
        << "the bed does not grow with the swarm";

    // Events heard more than once a minute: never the same sound twice
    // running, and at least three different ones in four plays.
    for (const char* often : {"put down", "brush strike", "drill strike", "crack"}) {
        SCOPED_TRACE(often);
        const auto& p = plays[often];
        ASSERT_EQ(p.size(), 4u);
        std::vector<std::size_t> kinds;  // the first play of each different sound
        for (std::size_t a = 0; a < p.size(); ++a) {
            if (a > 0) {
                EXPECT_LT(likeness(heard.mono, p[a - 1], p[a]), 0.9) << "plays " << a - 1 << " and " << a;
            }
            if (std::none_of(kinds.begin(), kinds.end(),
                             [&](std::size_t k) { return likeness(heard.mono, p[k], p[a]) >= 0.9; }))
                kinds.push_back(a);
        }
        EXPECT_GE(kinds.size(), 3u);
    }
}

// Births given every fifteenth update (a quarter second, the game's feeding)
// for eight seconds.
constexpr int swarmUpdates = 8 * 60, feedEvery = 15;
constexpr int feeds = (swarmUpdates + feedEvery - 1) / feedEvery;

// The onsets of a steady swarm's pops.
std::vector<double> popOnsets(const std::string& name, int birthsPerFeed) {
    const Recording heard = listen(name, swarmUpdates, [&](int u) {
        SoundCues c;
        c.births = u % feedEvery == 0 ? birthsPerFeed : 0;
        return c;
    });
    return findOnsets(heard);
}

TEST(TheMix, PopsFollowTheBirthsMoreOfThemDenserAndNeverInStep) {
    const std::vector<double> one = popOnsets("one-tooth", 1);
    const std::vector<double> three = popOnsets("three-teeth", 3);
    ASSERT_GT(one.size(), 10u);
    std::vector<double> gaps;
    for (std::size_t i = 1; i < one.size(); ++i) gaps.push_back(one[i] - one[i - 1]);
    const double spread = variation(gaps);
    // Counted against the births rather than the seconds: a busy machine
    // spaces the updates, and the births with them, further apart.
    const double onePerBirth = double(one.size()) / feeds;
    const double threePerBirth = double(three.size()) / (3 * feeds);
    std::printf(
        "pops of one fed tooth: %zu onsets for %d births over %.1f s, gaps varying by %.2f of their mean; "
        "three fed teeth: %zu onsets for %d births over %.1f s\n",
        one.size(), feeds, one.back() - one.front(), spread, three.size(), 3 * feeds, three.back() - three.front());
    EXPECT_GE(spread, 0.3) << "the pops of one tooth keep time";
    EXPECT_NEAR(onePerBirth, 1.0, 0.15) << "one pop a birth";
    // Three times the births: heard as more than twice the pops on a quiet
    // machine, but the pops that fall due between two updates start together
    // at the second, and a busy machine that spaces the updates out runs more
    // of them into one onset. One pop an update would sound no thicker at all.
    EXPECT_GE(threePerBirth, 0.5 * onePerBirth) << "three fed teeth sound no thicker than one";
}

// A watch catching up after the machine held it back: the births of the
// stall fall due in one update and their pops start together, the tools
// arrive and the swarm swells in that same update; in the next, a crowd of
// events that the pops must make way for, the machine stalling the game
// after every sound it starts. Nothing may go over the mix's headroom: not the loops
// rising over pops fitted under them as they were, nor an event mixed before
// the room made for it has reached the mixer.
TEST(TheMix, AWatchCatchingUpKeepsItsHeadroom) {
    constexpr int cycle = 60;
    float mostUsed = 0;
    const Recording heard = listen(
        "catching-up", 6 * cycle,
        [](int u) {
            const int at = u % cycle;
            SoundCues c;
            c.bacteriaOnScreen = at < 28 ? 40 : 400;
            if (at == 27) c.births = 6;
            if (at == 28) std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (at >= 28 && at < 50) {
                c.drillWhirring = c.brushScrubbing = c.brushVisiting = true;
                c.brushScrubLeft = 4;
            }
            stallAfterEachStart = at == 29;
            // A crowd of events on the stalling machine, and another once the
            // loops have risen and hold steady.
            if (at == 29 || at == 45) {
                c.drillStrike = c.pickUp = c.putDown = c.brushIn = true;
                c.cracks = 2;
            }
            return c;
        },
        [&] {
            // A gain gone wrong (not a number) is kept, not passed over.
            const float used = soundHeadroomUsed();
            if (!std::isnan(mostUsed) && !(used <= mostUsed)) mostUsed = used;
        });
    stallAfterEachStart = false;
    ASSERT_GT(heard.rate, 0) << "no device, or no file from OpenAL Soft";
    const double peak = truePeakDbtp(heard);
    std::printf("a watch catching up: at most %.3f of the headroom counted, true peak %.2f dBTP heard\n", mostUsed,
                peak);
    EXPECT_LE(mostUsed, 1.0f + 1e-5f);
    EXPECT_LE(peak, -1.0);
}

}  // namespace
