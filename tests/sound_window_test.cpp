// The real game heard under Xvfb: OpenAL Soft writes what it would play into
// a WAV file (ALSOFT_CONF naming a config with drivers=wave), the game writes
// its trace, and each sound must start in the file where the writer stood
// when the frame of its cue ran: a drop and the births it causes, each pop
// put off by the player's own short wait. The mix itself is judged rendered,
// in sound_mix_test and sound_game_test; this is only the window keeping step.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/file_growth.h"
#include "tests/game_exit.h"
#include "tests/sound_listening.h"
#include "tests/temp_files.h"
#include "tests/x_session.h"

namespace {

// Onsets are found in 2.5 ms steps and sounds rise over a few milliseconds.
constexpr double allowedSeconds = 0.030;
// A birth's pop waits up to this long, on the player's clock.
constexpr double popWaitSeconds = 0.25;
// The longest of the squeak and the plop.
constexpr double foodSoundSeconds = 0.25;
// Generous: a dozen births take a few seconds of game time, which a loaded
// machine may stretch.
constexpr int longestWaitMs = 60000;
// Births heard after the drop: enough to judge one in ten going unheard.
constexpr std::size_t birthsHeard = 12;

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

double lastTraceSeconds(const std::string& trace) {
    const std::string text = readText(trace);
    const std::size_t end = text.rfind('\n', text.size() >= 2 ? text.size() - 2 : 0);
    const std::size_t at = text.find("\"elapsedMs\":", end == std::string::npos ? 0 : end);
    return at == std::string::npos ? 0 : std::atof(text.c_str() + at + 12) / 1000.0;
}

// The food held in the trace's last whole line; -1 for none, or no line yet.
int lastTraceHeldFood(const std::string& trace) {
    const std::string text = readText(trace);
    const std::size_t end = text.rfind('\n');
    if (end == std::string::npos) return -1;
    const std::size_t before = end == 0 ? std::string::npos : text.rfind('\n', end - 1);
    const std::size_t at = text.find("\"heldFood\":", before == std::string::npos ? 0 : before + 1);
    return at < end ? std::atoi(text.c_str() + at + 11) : -1;
}

class HearingTheGame : public ::testing::Test {
protected:
    XSession session;
    TempFolder folder;
    std::string wav = folder.file("heard.wav");
    std::string trace = folder.file("trace.jsonl");
    std::string log = folder.file("game.log");

    void SetUp() override { ASSERT_TRUE(session.start()) << "Xvfb would not start"; }

    // VELMORA_KEEP_FAILED=FOLDER keeps a failed test's sound, trace and log,
    // to look at what a busy machine did.
    void TearDown() override {
        const char* keep = std::getenv("VELMORA_KEEP_FAILED");
        if (!keep || !HasFailure()) return;
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const std::filesystem::path to = std::filesystem::path(keep) / (name + "." + std::to_string(::getpid()));
        std::error_code ignored;
        std::filesystem::create_directories(to, ignored);
        for (const std::string& kept : {wav, trace, log})
            std::filesystem::copy_file(kept, to / std::filesystem::path(kept).filename(), ignored);
        std::printf("kept in %s\n", to.c_str());
    }

    bool startListenedGame(std::vector<std::string> arguments) {
        const std::string config = folder.file("alsoft.conf");
        std::ofstream(config) << "drivers=wave\n[wave]\nfile=" << wav << "\n";
        arguments.insert(arguments.begin(), {"--trace", trace});
        setenv("ALSOFT_CONF", config.c_str(), 1);
        const bool started = session.startGame(".", log, arguments);
        unsetenv("ALSOFT_CONF");
        return started;
    }

    // Waits until the trace satisfies done, or the wait runs out.
    template <typename Done>
    bool waitForTrace(Done done) {
        for (int waited = 0; waited < longestWaitMs; waited += 50) {
            if (done()) return true;
            if (!session.gameRunning()) return false;
            pause(50);
        }
        return false;
    }

    // The left piece of food onto the first tooth, held a moment and left there.
    // A busy machine may run no frame between the press and the release: the
    // button is let go once a frame has shown the food held.
    void dropFoodOnFirstTooth() {
        const std::string w = session.windowId();
        session.run("xdotool mousemove --window " + w + " 325 50 mousedown 1 mousemove --window " + w +
                    " 200 130 mousemove --window " + w + " 93 218 sleep 0.3");
        waitForTrace([&] { return lastTraceHeldFood(trace) >= 0; });
        session.run("xdotool mouseup 1");
    }

    // Closes the window as a player would; the device is closed and the WAV's
    // header completed before the game ends.
    void closeGame() {
        ASSERT_TRUE(session.closeWindow());
        const int status = session.waitForGameExit(20000);
        expectGameEnded(status, 0, readText(log));
    }
};

struct Expected {
    const char* what;
    double gameSeconds;
    double waits;  // how long the player may put it off
};

// Where in the file (seconds from its first sample) a cue's sound may start
// when its frame ran at the given moment: from the file's end then to one
// mixing stretch after its end once the player's wait is over. OpenAL Soft's
// file writer mixes the game's sound a stretch at a time and writes each
// stretch out as it is done, so a sound the game starts at some moment goes
// into the next stretch to be mixed, which begins where the file ended at that
// moment. A loaded machine may keep the writer waiting and it then mixes that
// stretch late, but in the same place: a sound's place measured against the
// file's end at its cue's frame judges what the game did, not how the writer
// was kept.
std::pair<double, double> placeAllowed(const FileGrowth& watch, const Recording& heard, double moment, double waits) {
    const auto seconds = [&](long size) {
        return size < long(heard.dataStart)
                   ? 0.0
                   : double(std::size_t(size) - heard.dataStart) / heard.frameBytes / heard.rate;
    };
    // OpenAL Soft mixes 23 ms at a time at this rate.
    constexpr double mixingStretch = 512.0 / 22050;
    return {seconds(watch.sizesAround(0, moment).first) - allowedSeconds,
            seconds(watch.sizesAround(0, moment + waits).second) + mixingStretch + allowedSeconds};
}

// Each expected event with the onset it was matched to, one onset to one
// event, taken in order: -1 for an event left without one.
std::vector<int> matchOnsets(const std::vector<Expected>& expected, const std::vector<double>& onsets,
                             const FileGrowth& watch, const Recording& heard, double offset) {
    std::vector<int> matched(expected.size(), -1);
    std::vector<bool> used(onsets.size(), false);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto [from, to] = placeAllowed(watch, heard, expected[i].gameSeconds + offset, expected[i].waits);
        for (std::size_t o = 0; o < onsets.size() && matched[i] < 0; ++o)
            if (!used[o] && onsets[o] >= from && onsets[o] <= to) used[o] = true, matched[i] = int(o);
    }
    return matched;
}

// The game's clock and the test's have different zeros: the offset is the
// one that places the most sounds where they belong (the narrow windows of
// the drop and the strike decide it), the middle of the best ones.
double findOffset(const std::vector<Expected>& expected, const std::vector<double>& onsets, const FileGrowth& watch,
                  const Recording& heard) {
    std::size_t best = 0;
    double bestFrom = 0, bestTo = 0;
    // The game's clock starts between the test's first look and the first frame.
    const double earliest = watch.firstMoment() - expected.front().gameSeconds;
    for (double offset = earliest; offset < earliest + 30; offset += 0.002) {
        const std::vector<int> matched = matchOnsets(expected, onsets, watch, heard, offset);
        const auto count = std::size_t(std::count_if(matched.begin(), matched.end(), [](int m) { return m >= 0; }));
        if (count > best) best = count, bestFrom = bestTo = offset;
        if (count == best && offset - bestTo < 0.003) bestTo = offset;
    }
    return (bestFrom + bestTo) / 2;
}

constexpr double settledSeconds = 3.0;

// The game moment of the birthsHeard-th birth after the drop, the last one
// judged; -1 before there is one.
double lastJudgedBirth(const HeardEvents& e) {
    std::size_t after = 0;
    for (double birth : e.births)
        if (e.drop > 0 && birth > e.drop && ++after == birthsHeard) return birth;
    return -1;
}

TEST_F(HearingTheGame, DropAndBirthsSoundWhereTheWriterStoodAtTheirFrames) {
    std::remove(wav.c_str());
    FileGrowth watch({wav});
    ASSERT_TRUE(startListenedGame({})) << readText(log);
    // OpenAL Soft's file writer starts behind and catches up: the game
    // settles first.
    ASSERT_TRUE(waitForTrace([&] { return lastTraceSeconds(trace) > settledSeconds; }));
    dropFoodOnFirstTooth();
    // The last birth's pop has had its wait and rung out before the window closes.
    ASSERT_TRUE(waitForTrace([&] {
        const double last = lastJudgedBirth(eventsInTrace(trace));
        return last > 0 && lastTraceSeconds(trace) > last + 1.0;
    })) << "the fed tooth's bacteria were not born";
    closeGame();
    watch.stop();

    HeardEvents events = eventsInTrace(trace);
    const double judgedUntil = lastJudgedBirth(events);
    events.births.erase(std::upper_bound(events.births.begin(), events.births.end(), judgedUntil), events.births.end());
    const Recording heard = readRecording(wav);
    ASSERT_GT(heard.rate, 0) << "no WAV from OpenAL Soft at " << wav;
    ASSERT_GT(events.drop, 0);
    EXPECT_EQ(readText(log).find("Sound"), std::string::npos) << readText(log);

    std::vector<Expected> expected = {{"the drop", events.drop, 0}};
    // A pop that falls under the squeak or the plop cannot be told apart
    // from them: only the births whose pops come clear of both are judged.
    const auto underFood = [&](double birth) {
        for (double food : {events.pickUp, events.drop})
            if (birth + popWaitSeconds > food - 0.05 && birth < food + foodSoundSeconds) return true;
        return false;
    };
    // A pop waits its own moment and is started by the first update after
    // it: where a busy machine puts that update off, the pop may come later
    // too, but never after that update.
    const std::vector<TraceFrame> frames = framesInTrace(trace);
    const auto waitsUntilUpdate = [&](double birth) {
        const auto next = std::lower_bound(frames.begin(), frames.end(), birth + popWaitSeconds,
                                           [](const TraceFrame& f, double t) { return f.seconds < t; });
        return next == frames.end() ? popWaitSeconds : next->seconds - birth;
    };
    for (double birth : events.births)
        if (!underFood(birth)) expected.push_back({"a birth", birth, waitsUntilUpdate(birth)});
    const std::vector<double> onsets = findOnsets(heard);
    ASSERT_FALSE(onsets.empty());
    const double offset = findOffset(expected, onsets, watch, heard);
    const std::vector<int> matched = matchOnsets(expected, onsets, watch, heard, offset);
    // A pop finds its voices busy while a mixer kept waiting has not played
    // the pops before it out, and is then left out: one birth in ten may go
    // unheard. The drop never.
    std::string listed;
    std::size_t birthsUnheard = 0;
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (matched[i] < 0) {
            const auto [from, to] = placeAllowed(watch, heard, expected[i].gameSeconds + offset, expected[i].waits);
            const auto near = std::lower_bound(onsets.begin(), onsets.end(), from - 0.5);
            std::string around;
            for (auto o = near; o != onsets.end() && *o < to + 0.5; ++o) around += " " + std::to_string(*o);
            listed += "\n  " + std::string(expected[i].what) + " at " + std::to_string(expected[i].gameSeconds) +
                      " s, allowed " + std::to_string(from) + "-" + std::to_string(to) +
                      " s in the file; onsets near:" + (around.empty() ? " none" : around);
            if (std::string(expected[i].what) == "a birth") ++birthsUnheard;
        }
    // Few onsets besides the events' own (the pick-up's squeak, the file's
    // first sound, the odd bubble), so no event can be matched by a stray.
    std::printf("%zu events (drop, %zu of %zu births), %zu onsets; missed:%s\n", expected.size(), expected.size() - 1,
                events.births.size(), onsets.size(), listed.empty() ? " none" : listed.c_str());
    const double judgedEnd = placeAllowed(watch, heard, judgedUntil + offset, popWaitSeconds).second;
    const auto judgedOnsets = std::count_if(onsets.begin(), onsets.end(), [&](double o) { return o < judgedEnd; });
    EXPECT_LE(std::size_t(judgedOnsets), events.births.size() + 1 + 10);
    ASSERT_GE(matched.front(), 0) << "the drop was not heard where the writer stood at its frame:" << listed;
    EXPECT_LE(birthsUnheard * 10, expected.size() - 1)
        << "births not where the writer stood at their frames:" << listed;
}

// Muted from the start, the window writes silence until M turns sound on; the
// window takes M, press and release, so the recording holds no key.
TEST_F(HearingTheGame, MutedTheGameIsSilentUntilMTurnsSoundOn) {
    const std::string recording = folder.file("game.rec");
    ASSERT_TRUE(startListenedGame({"--mute", "--record", recording})) << readText(log);
    ASSERT_TRUE(waitForTrace([&] { return lastTraceSeconds(trace) > settledSeconds; }));
    // Where OpenAL Soft's file writer stood as M was pressed: all it had
    // written by then was mixed while the game was muted, however far a busy
    // machine kept the writer or the game behind.
    struct stat before;
    ASSERT_EQ(::stat(wav.c_str(), &before), 0);
    const double pressed = lastTraceSeconds(trace);
    session.run("xdotool key m");
    ASSERT_TRUE(waitForTrace([&] { return lastTraceSeconds(trace) > pressed + 2.0; }));
    closeGame();

    const Recording heard = readRecording(wav);
    ASSERT_GT(heard.rate, 0);
    const double pressedInFile =
        double(std::max<long>(0, long(before.st_size) - long(heard.dataStart))) / heard.frameBytes / heard.rate;
    ASSERT_GT(pressedInFile, 0.5) << "over half a second of muted play written";
    float loudestMuted = 0, loudestAfter = 0;
    for (std::size_t i = 0; i < heard.mono.size(); ++i) {
        const double t = double(i) / heard.rate;
        if (t < pressedInFile) loudestMuted = std::max(loudestMuted, std::fabs(heard.mono[i]));
        if (t > pressedInFile + 0.5) loudestAfter = std::max(loudestAfter, std::fabs(heard.mono[i]));
    }
    std::printf("muted: loudest %.1f dBFS; after M: %.1f dBFS\n", 20 * std::log10(loudestMuted + 1e-12f),
                20 * std::log10(loudestAfter + 1e-12f));
    EXPECT_LT(20 * std::log10(loudestMuted + 1e-12f), -60.0) << "muted, yet heard";
    EXPECT_GT(20 * std::log10(loudestAfter + 1e-12f), -45.0) << "M did not turn sound on";
    const std::string recorded = readText(recording);
    EXPECT_EQ(recorded.find("\nkey"), std::string::npos) << recorded.substr(recorded.find("\nkey"), 40);
}

}  // namespace
