// The mix as the player makes it, heard through OpenAL Soft's file output:
// every sound alone at its level in the mix, in the order a player can follow,
// each event still itself through a small speaker's 400 Hz high-pass, the
// loops without a seam, no event twice the same, and the pops of a steady
// swarm as dense as its births and never in step.
// The mix as the player makes it, rendered on OpenAL Soft's loopback device
// on the test's own clock: every sound alone at its level in the mix, in the
// order a player can follow, each event still itself through a small
// speaker's 400 Hz high-pass, the loops without a seam, no event twice the
// same, and the pops of a steady swarm as dense as its births, never in step.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "audio/sound_player.h"
#include "game/random.h"
#include "tests/sound_listening.h"
#include "tests/sound_measures.h"
#include "tests/temp_files.h"

namespace {

constexpr double updateSeconds = 1.0 / 60;

const TempFolder& renderFolder() {
    static const TempFolder folder;
    return folder;
}

// The soundtracks the running test rendered, kept where it fails.
std::vector<std::string> renderedFiles;

class TheMix : public ::testing::Test {
protected:
    void SetUp() override { renderedFiles.clear(); }
    // A failed test's soundtracks are kept in VELMORA_KEEP_FAILED, or in the
    // system's temporary folder, to be listened to.
    void TearDown() override {
        if (!HasFailure() || renderedFiles.empty()) return;
        const char* keep = std::getenv("VELMORA_KEEP_FAILED");
        const std::filesystem::path to =
            std::filesystem::path(keep ? keep : std::filesystem::temp_directory_path().string()) /
            ("velmora-mix." + std::to_string(::getpid()));
        std::error_code ignored;
        std::filesystem::create_directories(to, ignored);
        for (const std::string& file : renderedFiles) {
            const auto kept = to / std::filesystem::path(file).filename();
            std::filesystem::copy_file(file, kept, std::filesystem::copy_options::overwrite_existing, ignored);
            std::printf("kept %s\n", kept.c_str());
        }
    }
};

// Renders updates of the given cues, sixty a second of the test's clock, each
// update's sound mixed before the next is given, and writes the soundtrack
// beside the others as NAME.wav.
Recording render(const std::string& name, int updates, const std::function<SoundCues(int)>& score,
                 const std::function<void(int)>& afterEach = {}) {
    const int rate = openSoundRenderer(false);
    if (rate == 0) return Recording{};
    const int perUpdate = static_cast<int>(std::lround(rate * updateSeconds));
    std::vector<float> stereo(static_cast<std::size_t>(updates) * std::size_t(perUpdate) * 2);
    for (int u = 0; u < updates; ++u) {
        playSoundCues(score(u), u * updateSeconds);
        if (afterEach) afterEach(u);
        renderSoundSamples(&stereo[static_cast<std::size_t>(u) * std::size_t(perUpdate) * 2], perUpdate);
    }
    closeSoundPlayer();
    Recording heard = recordingOf(stereo, 2, rate);
    const std::string file = renderFolder().file(name + ".wav");
    if (writeRecording(file, heard)) renderedFiles.push_back(file);
    return heard;
}

// A moment of a soundtrack, to name in a failure: "12.345 s".
std::string secondsAt(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
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

// The silence that keeps one sound apart from the next, a loop's fade and
// its stop included.
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

// Renders the steps one after another, each step's cues going to its first
// update; `starts` gets each step's first update.
Recording renderSteps(const std::string& name, const std::vector<Step>& steps,
                      std::vector<std::pair<int, const Step*>>& starts) {
    starts.clear();
    int updates = 0;
    for (const Step& s : steps) {
        starts.push_back({updates, &s});
        updates += static_cast<int>(std::lround(s.seconds / updateSeconds));
    }
    return render(name, updates, [&](int u) {
        const auto at =
            std::upper_bound(starts.begin(), starts.end(), std::make_pair(u, static_cast<const Step*>(nullptr)),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
        const auto& [first, step] = *(at - 1);
        SoundCues c = u - first < std::lround(step->heldSeconds / updateSeconds) ? step->held : SoundCues{};
        if (step->scrubEnding && c.brushScrubbing)
            c.brushScrubLeft = static_cast<float>(step->heldSeconds - (u - first) * updateSeconds);
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
    // The strike is the loudest moment of the step; its first rise is where
    // the 5 ms before it are more than 12 dB under that. The scrubbing is
    // stroked, its level swinging by 10 dB, so its full level is taken just
    // before its quarter second of dying away, and its last moments are the
    // quietest 40 ms of the 0.2 s before the strike.
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

TEST_F(TheMix, EverySoundAloneSitsAtItsLevelKeepsItsCharacterOnSmallSpeakersAndNeverRepeatsItself) {
    const std::vector<Step> steps = catalogue();
    std::vector<std::pair<int, const Step*>> starts;  // update, step
    const std::uint32_t randomBefore = randomState;
    const Recording heard = renderSteps("catalogue", steps, starts);
    ASSERT_GT(heard.rate, 0) << "no loopback device in OpenAL Soft";
    EXPECT_EQ(randomState, randomBefore) << "the player drew from the game's random sequence";

    const auto stretches = soundingStretches(heard, 0.2);
    const auto seconds = [&](std::size_t sample) { return double(sample) / heard.rate; };
    const auto listed = [&] {
        std::string text;
        for (const auto& [from, to] : stretches) text += " " + secondsAt(seconds(from)) + "-" + secondsAt(seconds(to));
        text += "\nthe steps' starts:";
        for (const auto& [u, step] : starts) text += " " + step->what + " " + secondsAt(u * updateSeconds);
        return text;
    };
    ASSERT_EQ(stretches.size(), steps.size()) << "each sound heard apart from the next; heard:" << listed();
    const std::vector<double> loudness = shortLoudness(heard, 0.1, 0.005);
    const std::vector<float> small = highPassed(heard.mono, heard.rate, 400);
    const auto window = [&](std::size_t sample) { return std::min(loudness.size() - 1, sample / (heard.rate / 200)); };

    std::map<std::string, std::vector<double>> levels;
    std::map<std::string, std::vector<std::pair<std::size_t, std::size_t>>> plays;
    std::map<std::string, std::string> heardAt;  // each sound's seconds in the soundtrack, for failures
    std::printf("each sound alone, as the mix plays it (100 ms loudness, LUFS; high-passed at 400 Hz, dB):\n");
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE(step.what + " at " + secondsAt(seconds(stretches[i].first)));
        heardAt[step.what] += " " + secondsAt(seconds(stretches[i].first));
        auto [from, to] = stretches[i];
        double level;
        if (step.loop) {
            // The steady middle: the loop's level is its median, and no 20 ms
            // of it falls 10 dB below that.
            from += std::size_t(heard.rate) / 2, to -= std::size_t(heard.rate) / 2;
            std::vector<double> middle(loudness.begin() + long(window(from)), loudness.begin() + long(window(to)));
            level = median(middle);
            const std::vector<float> part(heard.mono.begin() + long(from), heard.mono.begin() + long(to));
            const std::vector<double> steps20 = windowLevels(part, heard.rate, 0.02);
            const auto deepest = std::min_element(steps20.begin(), steps20.end());
            EXPECT_GE(*deepest, median(steps20) - 10)
                << "a seam or a gap in the loop at "
                << secondsAt(seconds(from) + 0.02 * double(deepest - steps20.begin()));
            std::printf("  %-22s %6.1f  (median)\n", step.what.c_str(), level);
        } else {
            level = *std::max_element(loudness.begin() + long(window(from)), loudness.begin() + long(window(to)));
            const double drop = levelDb(heard.mono, from, to) - levelDb(small, from, to);
            EXPECT_LE(drop, 10.0) << "lost through a small speaker";
            plays[step.what].push_back({from, to});
            std::printf("  %-22s %6.1f  high-passed %5.1f lower\n", step.what.c_str(), level, drop);
        }
        levels[step.what].push_back(level);
    }
    // The scrubbing dies away before the strike, which rings out in the
    // clear: a sound that starts, as the onsets tell it.
    {
        const auto it = std::find_if(steps.begin(), steps.end(), [](const Step& s) { return s.scrubEnding; });
        const std::size_t from = stretches[std::size_t(it - steps.begin())].first;
        const ScrubEnding ending = hearScrubEnding(heard, from, it->seconds);
        EXPECT_TRUE(ending.heard()) << "the scrubbing does not die away before the strike, in the step at "
                                    << secondsAt(seconds(from)) << ": " << ending.text();
    }
    const auto averageLevel = [&](const std::string& what) {
        double sum = 0;
        for (double l : levels[what]) sum += std::pow(10.0, l / 10);
        return 10 * std::log10(sum / double(levels[what].size()));
    };
    const auto against = [&](const std::string& a, const std::string& b) {
        return " (" + a + " at" + heardAt[a] + "; " + b + " at" + heardAt[b] + ")";
    };
    // The order a player can follow, with a clear step between each.
    const double pop = averageLevel("pop"), scrub = averageLevel("scrub");
    for (const char* event :
         {"pick up", "put down", "brush in", "brush strike", "brush out", "drill strike", "drill out", "crack", "thud"})
        EXPECT_GE(averageLevel(event), pop + 3) << event << " is not above the pops" << against(event, "pop");
    // The brush's visit: its scrubbing at the pops' level or over, and the
    // swarm making way for it while it visits.
    EXPECT_GE(scrub, pop - 1) << "the brush's scrubbing is buried" << against("scrub", "pop");
    EXPECT_GE(scrub, averageLevel("pop, the brush visiting") + 6)
        << "the brush is not the main thing of its visit" << against("scrub", "pop, the brush visiting");
    EXPECT_LE(averageLevel("drill whirr"), pop - 3)
        << "the drill's whirr is not under the pops" << against("drill whirr", "pop");
    EXPECT_LE(averageLevel("drill whirr"), scrub - 3)
        << "the drill dominates the brush" << against("drill whirr", "scrub");
    EXPECT_LE(averageLevel("bubbles, 400 bacteria"), pop - 3)
        << "the bed is not under the pops" << against("bubbles, 400 bacteria", "pop");
    EXPECT_LT(averageLevel("bubbles, 22 bacteria"), averageLevel("bubbles, 400 bacteria") - 6)
        << "the bed does not grow with the swarm" << against("bubbles, 22 bacteria", "bubbles, 400 bacteria");

    // Events heard more than once a minute: never the same sound twice
    // running, and at least three different ones in four plays.
    for (const char* often : {"put down", "brush strike", "drill strike", "crack"}) {
        SCOPED_TRACE(std::string(often) + " at" + heardAt[often]);
        const auto& p = plays[often];
        ASSERT_EQ(p.size(), 4u);
        std::vector<std::size_t> kinds;  // the first play of each different sound
        for (std::size_t a = 0; a < p.size(); ++a) {
            if (a > 0) {
                EXPECT_LT(likeness(heard.mono, p[a - 1], p[a]), 0.9)
                    << "the same sound at " << secondsAt(seconds(p[a - 1].first)) << " and "
                    << secondsAt(seconds(p[a].first));
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
    const Recording heard = render(name, swarmUpdates, [&](int u) {
        SoundCues c;
        c.births = u % feedEvery == 0 ? birthsPerFeed : 0;
        return c;
    });
    return findOnsets(heard);
}

TEST_F(TheMix, PopsFollowTheBirthsMoreOfThemDenserAndNeverInStep) {
    const std::vector<double> one = popOnsets("one-tooth", 1);
    const std::vector<double> three = popOnsets("three-teeth", 3);
    ASSERT_GT(one.size(), 10u) << "the pops of one fed tooth over 0-8 s";
    std::vector<double> gaps;
    for (std::size_t i = 1; i < one.size(); ++i) gaps.push_back(one[i] - one[i - 1]);
    const double spread = variation(gaps);
    const double onePerBirth = double(one.size()) / feeds;
    const double threePerBirth = double(three.size()) / (3 * feeds);
    std::printf(
        "pops of one fed tooth: %zu onsets for %d births over %.1f s, gaps varying by %.2f of their mean; "
        "three fed teeth: %zu onsets for %d births over %.1f s\n",
        one.size(), feeds, one.back() - one.front(), spread, three.size(), 3 * feeds, three.back() - three.front());
    std::string onsetsHeard;
    for (double o : one) onsetsHeard += " " + secondsAt(o);
    EXPECT_GE(spread, 0.3) << "the pops of one tooth keep time, heard at" << onsetsHeard;
    EXPECT_NEAR(onePerBirth, 1.0, 0.15) << "one pop a birth, births every 0.25 s over 0-8 s; heard at" << onsetsHeard;
    // Three times the births: the pops that fall due between two updates
    // start together at the second, so they are heard as fewer onsets than
    // pops, yet at least half as many a birth as one tooth's. One pop an
    // update would sound no thicker at all.
    EXPECT_GE(threePerBirth, 0.5 * onePerBirth) << "three fed teeth sound no thicker than one over 0-8 s";
}

// A watch catching up after the machine held it back: the births of the
// stall fall due in one update and their pops start together, the tools
// arrive and the swarm swells in that same update; in the next, a crowd of
// events that the pops must make way for. Nothing may go over the mix's
// headroom: not the loops rising over pops fitted under them as they were,
// nor the events crowding in together.
TEST_F(TheMix, AWatchCatchingUpKeepsItsHeadroom) {
    constexpr int cycle = 60;
    float mostUsed = 0;
    int mostUsedAt = 0;
    const Recording heard = render(
        "catching-up", 6 * cycle,
        [](int u) {
            const int at = u % cycle;
            SoundCues c;
            c.bacteriaOnScreen = at < 28 ? 40 : 400;
            if (at == 27) c.births = 6;
            if (at >= 28 && at < 50) {
                c.drillWhirring = c.brushScrubbing = c.brushVisiting = true;
                c.brushScrubLeft = 4;
            }
            // A crowd of events as the loops rise, and another once they
            // hold steady.
            if (at == 29 || at == 45) {
                c.drillStrike = c.pickUp = c.putDown = c.brushIn = true;
                c.cracks = 2;
            }
            return c;
        },
        [&](int u) {
            // A gain gone wrong (not a number) is kept, not passed over.
            const float used = soundHeadroomUsed();
            if (!std::isnan(mostUsed) && !(used <= mostUsed)) mostUsed = used, mostUsedAt = u;
        });
    ASSERT_GT(heard.rate, 0) << "no loopback device in OpenAL Soft";
    const double peak = truePeakDbtp(heard);
    std::size_t loudest = 0;
    float loudestSample = 0;
    for (const auto& channel : heard.channels)
        for (std::size_t i = 0; i < channel.size(); ++i)
            if (std::fabs(channel[i]) > loudestSample) loudestSample = std::fabs(channel[i]), loudest = i;
    std::printf("a watch catching up: at most %.3f of the headroom counted, true peak %.2f dBTP heard\n", mostUsed,
                peak);
    EXPECT_LE(mostUsed, 1.0f + 1e-5f) << "most counted at " << secondsAt(mostUsedAt * updateSeconds);
    EXPECT_LE(peak, -1.0) << "the loudest sample at about " << secondsAt(double(loudest) / heard.rate);
}

// A failed check keeps the soundtrack for listening: the file holds the very
// samples that were measured.
TEST_F(TheMix, AKeptSoundtrackReadsBackAsItWasMeasured) {
    const Recording heard = render("kept", 60, [](int u) {
        SoundCues c;
        c.bacteriaOnScreen = 100;
        c.births = u % 10 == 0;
        c.drillStrike = u == 20;
        return c;
    });
    ASSERT_GT(heard.rate, 0) << "no loopback device in OpenAL Soft";
    ASSERT_FALSE(renderedFiles.empty());
    const Recording kept = readRecording(renderedFiles.back());
    EXPECT_EQ(kept.rate, heard.rate);
    EXPECT_EQ(kept.channels, heard.channels);
    EXPECT_EQ(kept.peak, heard.peak);
    EXPECT_GT(heard.peak, 0.01f) << "a second of strikes and pops rendered as silence";
}

}  // namespace
