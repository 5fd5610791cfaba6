// The real game heard under Xvfb: OpenAL Soft writes what it would play into
// a WAV file (ALSOFT_CONF naming a config with drivers=wave), the game writes
// its trace, and each sound must start in the file where the writer stood
// when the frame of its cue ran: a drop, the births it causes (each pop put
// off by the player's own short wait) and the brush's strike.
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
#include <sstream>
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
// Generous: the brush strikes at about twenty seconds of game time, which a
// loaded machine may stretch.
constexpr int longestWaitMs = 90000;

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int traceLines(const std::string& trace) {
    std::ifstream in(trace);
    return static_cast<int>(std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

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

    // With device false OpenAL Soft is offered no driver at all, as on a
    // machine without sound.
    bool startListenedGame(std::vector<std::string> arguments, bool device = true) {
        const std::string config = folder.file("alsoft.conf");
        std::ofstream(config) << (device ? "drivers=wave\n" : "drivers=none\n") << "[wave]\nfile=" << wav << "\n";
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

TEST_F(HearingTheGame, DropBirthsAndStrikeSoundWhereTheWriterStoodAtTheirFrames) {
    std::remove(wav.c_str());
    FileGrowth watch({wav});
    ASSERT_TRUE(startListenedGame({})) << readText(log);
    // OpenAL Soft's file writer starts behind and catches up: the game
    // settles first.
    ASSERT_TRUE(waitForTrace([&] { return lastTraceSeconds(trace) > settledSeconds; }));
    dropFoodOnFirstTooth();
    ASSERT_TRUE(waitForTrace([&] {
        const HeardEvents e = eventsInTrace(trace);
        return e.brushStrike > 0 && lastTraceSeconds(trace) > e.brushStrike + 2.5;
    })) << "the brush never struck";
    closeGame();
    watch.stop();

    const HeardEvents events = eventsInTrace(trace);
    const Recording heard = readRecording(wav);
    ASSERT_GT(heard.rate, 0) << "no WAV from OpenAL Soft at " << wav;
    ASSERT_GT(events.drop, 0);
    ASSERT_GT(events.births.size(), 30u) << "a tooth fed until the brush came";
    EXPECT_LT(heard.peak, 1.0f) << "the mix clipped";
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
    expected.push_back({"the brush's strike", events.brushStrike, 0});
    const std::vector<double> onsets = findOnsets(heard);
    ASSERT_FALSE(onsets.empty());
    const double offset = findOffset(expected, onsets, watch, heard);
    const std::vector<int> matched = matchOnsets(expected, onsets, watch, heard, offset);
    // A pop finds its voices busy while a mixer kept waiting has not played
    // the pops before it out, and is then left out: one birth in ten may go
    // unheard. The drop and the strike never.
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
    // Few onsets besides the events' own before the brush comes (the
    // pick-up's squeak, the file's first sound, the odd bubble), so no event
    // can be matched by a stray. Game seconds reach the file through the
    // drop's onset.
    ASSERT_GE(matched.front(), 0) << "the drop was not heard";
    const double brushInFile = onsets[std::size_t(matched.front())] + events.brushIn - events.drop;
    const auto beforeBrush = std::count_if(onsets.begin(), onsets.end(), [&](double o) { return o < brushInFile; });
    std::printf("%zu events (drop, %zu of %zu births, strike), %zu onsets (%ld before the brush came); missed:%s\n",
                expected.size(), expected.size() - 2, events.births.size(), onsets.size(), long(beforeBrush),
                listed.empty() ? " none" : listed.c_str());
    EXPECT_LE(std::size_t(beforeBrush), events.births.size() + 1 + 10);
    EXPECT_TRUE(matched.front() >= 0 && matched.back() >= 0 && birthsUnheard * 10 <= expected.size() - 2)
        << "not where the writer stood at their frames:" << listed;
}

TEST_F(HearingTheGame, MutedTheGameIsSilentUntilMTurnsSoundOn) {
    const std::string recording = folder.file("game.rec");
    ASSERT_TRUE(startListenedGame({"--mute", "--record", recording})) << readText(log);
    ASSERT_TRUE(waitForTrace([&] { return traceLines(trace) > 10; }));
    dropFoodOnFirstTooth();
    ASSERT_TRUE(waitForTrace([&] { return eventsInTrace(trace).births.size() >= 8; }));
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
    ASSERT_GT(pressedInFile, 1.0) << "over a second of muted play written";
    float loudestMuted = 0, loudestAfter = 0;
    for (std::size_t i = 0; i < heard.mono.size(); ++i) {
        const double t = double(i) / heard.rate;
        if (t < pressedInFile) loudestMuted = std::max(loudestMuted, std::fabs(heard.mono[i]));
        if (t > pressedInFile + 0.5) loudestAfter = std::max(loudestAfter, std::fabs(heard.mono[i]));
    }
    EXPECT_LT(20 * std::log10(loudestMuted), -60.0) << "muted, yet heard";
    EXPECT_GT(20 * std::log10(loudestAfter), -40.0) << "M did not turn sound on";
    // The window took M, press and release: the recording holds no key.
    const std::string recorded = readText(recording);
    EXPECT_NE(recorded.find("\nmouse "), std::string::npos) << "the drag was recorded";
    EXPECT_EQ(recorded.find("\nkey"), std::string::npos) << recorded.substr(recorded.find("\nkey"), 40);
}

// User and system time so far, in seconds, from a /proc stat file.
double processorSeconds(const std::string& statFile) {
    const std::string text = readText(statFile);
    // Fields after the command name, which ends with the last ')': user time
    // is field 14, system time field 15.
    const std::size_t end = text.rfind(')');
    if (end == std::string::npos) return 0;
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    long long ticks = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n)
        if (n == 14 || n == 15) ticks += std::stoll(field);
    return double(ticks) / double(sysconf(_SC_CLK_TCK));
}

// The whole process, and the process without Mesa's software rasterizer
// threads (llvmpipe-N): under Xvfb those draw every frame and their time
// swings by several percent from run to run on a loaded machine, while sound
// never touches them. The rest is the game's own thread and OpenAL's.
struct ProcessorTime {
    double all = 0;
    double withoutRasterizer = 0;
};

ProcessorTime processorTime(pid_t process) {
    ProcessorTime t;
    const std::string folder = "/proc/" + std::to_string(process);
    t.all = processorSeconds(folder + "/stat");
    std::error_code ignored;
    for (const auto& task : std::filesystem::directory_iterator(folder + "/task", ignored)) {
        if (readText(task.path().string() + "/comm").rfind("llvmpipe", 0) == 0) continue;
        t.withoutRasterizer += processorSeconds(task.path().string() + "/stat");
    }
    return t;
}

constexpr int restSeconds = 8;

// Three games at rest: sound on, --mute and no device at all, which the game
// says once and plays on. What sound costs is printed, not bounded: a bound
// here judges the machine's other work as much as the game (bench/sound_bench
// measures a busy mix on its own).
TEST_F(HearingTheGame, WithoutADeviceItSaysSoOnceAndPlaysOnAndWhatSoundCostsIsPrinted) {
    struct Run {
        const char* what;
        std::vector<std::string> arguments;
        bool device;
        ProcessorTime share;
    };
    Run runs[] = {{"sound on", {}, true, {}}, {"--mute", {"--mute"}, true, {}}, {"no device", {}, false, {}}};
    for (Run& run : runs) {
        SCOPED_TRACE(run.what);
        std::remove(trace.c_str());
        ASSERT_TRUE(startListenedGame(run.arguments, run.device)) << readText(log);
        ASSERT_TRUE(waitForTrace([&] { return traceLines(trace) > 120; })) << "two seconds of frames";
        const auto start = std::chrono::steady_clock::now();
        const ProcessorTime before = processorTime(session.gameProcess());
        pause(restSeconds * 1000);
        const ProcessorTime after = processorTime(session.gameProcess());
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.share = {(after.all - before.all) / wall, (after.withoutRasterizer - before.withoutRasterizer) / wall};
        closeGame();
        const std::string said = readText(log);
        const std::size_t off = said.find("Sound is off: no audio device\n");
        if (run.device) {
            EXPECT_EQ(said.find("Sound"), std::string::npos) << said;
        } else {
            EXPECT_NE(off, std::string::npos) << said;
            EXPECT_EQ(said.find("Sound", off + 1), std::string::npos) << "said more than once:\n" << said;
        }
    }
    std::printf(
        "start state, %d s each, share of one core (without the rasterizer threads): sound on %.1f%% (%.1f%%), "
        "--mute %.1f%% (%.1f%%), no device %.1f%% (%.1f%%)\n",
        restSeconds, runs[0].share.all * 100, runs[0].share.withoutRasterizer * 100, runs[1].share.all * 100,
        runs[1].share.withoutRasterizer * 100, runs[2].share.all * 100, runs[2].share.withoutRasterizer * 100);
    for (const Run& run : runs) {
        RecordProperty(std::string(run.what) + " percent", static_cast<int>(std::lround(run.share.all * 100)));
        RecordProperty(std::string(run.what) + " percent without rasterizer",
                       static_cast<int>(std::lround(run.share.withoutRasterizer * 100)));
    }
}

}  // namespace
