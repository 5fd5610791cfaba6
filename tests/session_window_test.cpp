// The one loop in the real program, under Xvfb with xdotool's hands: a pause
// that stands still and shows its sign, a new game, the window's and the
// session's keys kept out of the recording, which replays to the game's own
// trace; the sound switch kept between games; a watch hidden for eight
// seconds going on where it stood; loops silent while the game stands still;
// and a watch sixteen times as fast starting every event sound the recording's
// soundtrack, rendered at 1x, does.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "audio/sound_player.h"
#include "tests/game_exit.h"
#include "tests/replay_test_support.h"
#include "tests/sound_listening.h"
#include "tests/temp_files.h"
#include "tests/x_session.h"

namespace {

using Clock = std::chrono::steady_clock;

int lineCount(const std::string& path) {
    std::ifstream in(path);
    return static_cast<int>(std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

// The pinned game's first frames (to the end of the line that reaches them), as a recording.
std::string cutPinnedGame(const TempFolder& folder, int frames) {
    std::ifstream in(std::string(VELMORA_SOURCE) + "/tests/replay_scripts/pinned_game.txt");
    const std::string cut = folder.file("cut-" + std::to_string(frames) + ".rec");
    std::ofstream out(cut);
    int played = 0;
    for (std::string line; played < frames && std::getline(in, line);) {
        out << line << "\n";
        if (line.rfind("frame ", 0) == 0) ++played;
        if (line.rfind("frames ", 0) == 0) played += std::atoi(line.c_str() + 7);
    }
    return cut;
}

// Waits while something happens that the test measures (the game hidden or
// paused for a while), not for the game to be ready.
void letTimePass(Clock::time_point until) { std::this_thread::sleep_until(until); }

// The most bacteria on any tooth in a trace line.
int mostOnATooth(const std::string& line) {
    int most = 0;
    for (std::size_t at = line.find("\"n\":"); at != std::string::npos; at = line.find("\"n\":", at + 1))
        most = std::max(most, std::atoi(line.c_str() + at + 4));
    return most;
}

// How the 800 x 600 window looks: the mean brightness outside the middle,
// where the pause sign goes, and the light pixels inside it (its letters).
struct Look {
    double outside = 0;
    int lightInside = 0;
};

Look lookAt(const Screenshot& shot) {
    Look look;
    long sum = 0, count = 0;
    for (int y = 0; y < 600 && y < shot.height; y += 2)
        for (int x = 0; x < 800 && x < shot.width; x += 2) {
            const unsigned char* p = shot.at(x, y);
            if (x >= 272 && x < 528 && y >= 268 && y < 332)
                look.lightInside += p[0] > 200 && p[1] > 200 && p[2] > 200;
            else
                sum += p[0] + p[1] + p[2], ++count;
        }
    look.outside = count ? static_cast<double>(sum) / count : 0;
    return look;
}

// The pause sign: the mouth dimmed around it and light letters in the middle.
bool showsPauseSign(const Look& look, const Look& unpaused) {
    return look.outside < 0.7 * unpaused.outside && look.lightInside > 150;
}

// Light pixels (every channel over 200) in a box of the window, every other one counted.
int lightIn(const Screenshot& shot, int left, int top, int right, int bottom) {
    int light = 0;
    for (int y = top; y < bottom && y < shot.height; y += 2)
        for (int x = left; x < right && x < shot.width; x += 2) {
            const unsigned char* p = shot.at(x, y);
            light += p[0] > 200 && p[1] > 200 && p[2] > 200;
        }
    return light;
}

// A sign over the mouth: the mouth dimmed around it, light letters in its box.
bool showsSign(const Screenshot& shot, const Look& plain, int left, int top, int right, int bottom) {
    return lookAt(shot).outside < 0.7 * plain.outside && lightIn(shot, left, top, right, bottom) > 200;
}
// Where the signs lie in an 800 x 600 window: the help sign 512 x 256 in the
// middle, the end sign 512 x 64, the watching label in the top-left corner.
constexpr int helpBox[4] = {144, 172, 656, 428};
constexpr int endBox[4] = {144, 268, 656, 332};
constexpr int labelBox[4] = {8, 8, 300, 40};

class SessionWindow : public ::testing::Test {
protected:
    XSession session;
    TempFolder folder;
    std::string log = folder.file("game.log");

    void SetUp() override { ASSERT_TRUE(session.start()) << "Xvfb would not start"; }

    // The key once the window has the focus.
    void press(const std::string& key) {
        session.run("timeout " + std::to_string(patienceMs(10000) / 1000) + " xdotool windowfocus --sync " +
                    session.windowId() + " key " + key);
    }
    int exitStatusOnClose() {
        if (!session.closeWindow()) return -1;
        return session.waitForGameExit(20000);
    }
    void closeGame() {
        ASSERT_TRUE(session.closeWindow());
        const int status = session.waitForGameExit(20000);
        expectGameEnded(status, 0, readText(log));
    }
    // Sound through OpenAL Soft's file output, for the games started from now on.
    void listenInto(const std::string& wav) {
        const std::string config = folder.file("alsoft-" + std::to_string(configs++) + ".conf");
        std::ofstream(config) << "drivers=wave\n[wave]\nfile=" << wav << "\n";
        session.gameEnvironment.push_back("ALSOFT_CONF=" + config);
    }
    int configs = 0;
};

TEST_F(SessionWindow, PauseNewGameAndTheWindowsKeysStayOutOfARecordingThatReplaysToTheTrace) {
    ASSERT_TRUE(session.startWindowManager("openbox"));
    const std::string recording = folder.file("game.rec"), trace = folder.file("game.jsonl");
    ASSERT_TRUE(session.startGame(".", log, {"--record", recording, "--trace", trace})) << readText(log);
    ASSERT_TRUE(session.waitForFrames());
    const std::string w = session.windowId();
    // The left food onto the first tooth, where bacteria breed.
    session.run("xdotool mousemove --window " + w + " 325 50 mousedown 1 mousemove --window " + w +
                " 200 130 mousemove --window " + w + " 93 218");
    ASSERT_TRUE(waitUntil([&] { return mostOnATooth(lastLine(trace)) >= 12; }, 20000)) << "no bacteria bred";
    session.run("xdotool mouseup 1");
    // Full screen and back, sound off and on, a key the game ignores.
    press("F11");
    ASSERT_TRUE(session.waitForSize(1280, 1024));
    ASSERT_TRUE(session.waitForFrames());
    press("Escape");
    ASSERT_TRUE(session.waitForSize(800, 600));
    press("m m a");
    ASSERT_TRUE(session.waitForFrames());

    const Look unpaused = lookAt(session.screenshot());
    press("p");
    ASSERT_TRUE(waitUntil([&] { return showsPauseSign(lookAt(session.screenshot()), unpaused); }, 10000))
        << "no pause sign";
    // The sign shows once the game has taken the key: no update comes after.
    // The updates made before it reach the file within a second.
    letTimePass(Clock::now() + std::chrono::seconds(1));
    const int framesPaused = lineCount(trace);
    letTimePass(Clock::now() + std::chrono::seconds(2));
    EXPECT_EQ(lineCount(trace), framesPaused) << "updates while paused";
    press("p");
    ASSERT_TRUE(waitUntil([&] { return lineCount(trace) > framesPaused + 30; }, 10000)) << "no updates after the pause";
    EXPECT_FALSE(showsPauseSign(lookAt(session.screenshot()), unpaused)) << "the sign stayed";
    const std::vector<std::string> frames = linesOf(readText(trace));
    const double gapMs =
        jsonNumber(frames[framesPaused], "elapsedMs") - jsonNumber(frames[framesPaused - 1], "elapsedMs");
    EXPECT_LT(gapMs, 1000) << "the paused time came back as one step";

    press("n");
    ASSERT_TRUE(session.waitForFrames());
    closeGame();

    const std::vector<std::string> script = linesOf(readText(recording));
    for (const char* taken : {"special 11 ", "specialup 11 ", "keycode 27 ", "keyup 27 ", "key m ", "keyup 109 ",
                              "key p ", "keyup 112 ", "key n ", "keyup 110 "})
        EXPECT_EQ(countStarting(script, taken), 0) << taken;
    for (const char* kept : {"key a ", "keyup 97 ", "restart"}) EXPECT_EQ(countStarting(script, kept), 1) << kept;

    // The first frame of the new game: every tooth whole, two bacteria each.
    int framesBeforeRestart = 0;
    for (const std::string& line : script) {
        if (line == "restart") break;
        framesBeforeRestart += line.rfind("frame ", 0) == 0;
    }
    const std::vector<std::string> played = linesOf(readText(trace));
    ASSERT_GT(played.size(), static_cast<std::size_t>(framesBeforeRestart));
    const std::string newGame = played[framesBeforeRestart];
    EXPECT_EQ(mostOnATooth(newGame), 2) << newGame.substr(0, 400);
    EXPECT_NE(newGame.find("\"falling\":[]"), std::string::npos);

    const ReplayRun replayed = runReplayWith("'" + recording + "'", folder.file(""));
    EXPECT_EQ(replayed.status, 0) << replayed.errors;
    ASSERT_EQ(replayed.lines.size(), played.size());
    for (std::size_t i = 0; i < played.size(); ++i) ASSERT_EQ(replayed.lines[i], played[i]) << "frame " << i + 1;
}

TEST_F(SessionWindow, TheSoundSwitchIsKeptBetweenGamesAndABadSettingsFileIsSaid) {
    const std::string config = folder.file("config");
    session.gameEnvironment = {"XDG_CONFIG_HOME=" + config};
    const std::string settings = config + "/velmora/settings";
    // A settings file the game cannot use leaves the defaults, the help sign
    // among them: a key takes it away before the game moves.
    const auto playAndPress = [&](const std::string& keys, bool helpShows = false) {
        ASSERT_TRUE(session.startGame(".", log)) << readText(log);
        if (helpShows) press("space");
        ASSERT_TRUE(session.waitForFrames()) << readText(log);
        if (!keys.empty()) press(keys);
        ASSERT_TRUE(session.waitForFrames());
        closeGame();
    };
    playAndPress("m");
    EXPECT_NE(readText(settings).find("sound off\n"), std::string::npos) << readText(settings);
    // M again turns sound on: the second game started silent.
    playAndPress("m");
    EXPECT_NE(readText(settings).find("sound on\n"), std::string::npos) << readText(settings);

    std::ofstream(settings) << "sound loud\n";
    playAndPress("", true);
    EXPECT_NE(readText(log).find("The settings file " + settings +
                                 " cannot be used (line 1: sound is \"on\" or \"off\"): the defaults apply\n"),
              std::string::npos)
        << readText(log);
    std::remove(settings.c_str());
    ASSERT_EQ(mkfifo(settings.c_str(), 0600), 0);
    playAndPress("", true);  // a FIFO is never opened for reading, so it cannot hang the start
    EXPECT_NE(readText(log).find("(not a regular file): the defaults apply"), std::string::npos) << readText(log);
}

TEST_F(SessionWindow, AWatchHiddenForEightSecondsGoesOnWhereItStood) {
    const std::string trace = folder.file("watched.jsonl");
    ASSERT_TRUE(session.startGame(".", log,
                                  {"--play", std::string(VELMORA_SOURCE) + "/tests/replay_scripts/pinned_game.txt",
                                   "--speed", "4", "--trace", trace}))
        << readText(log);
    ASSERT_TRUE(waitUntil([&] { return lineCount(trace) >= 400; }, 20000));
    session.run("xdotool windowunmap " + session.windowId());
    ASSERT_TRUE(waitUntil([&] { return !session.windowViewable(); }, 10000));
    const Clock::time_point hidden = Clock::now();
    // The watch takes the news on its next pass through GLUT's loop.
    int framesThen = lineCount(trace);
    Clock::time_point changed = Clock::now();
    ASSERT_TRUE(waitUntil(
        [&] {
            if (lineCount(trace) != framesThen) framesThen = lineCount(trace), changed = Clock::now();
            return Clock::now() - changed > std::chrono::milliseconds(1000);
        },
        10000))
        << "the watch went on while hidden";
    letTimePass(hidden + std::chrono::seconds(8));
    EXPECT_EQ(lineCount(trace), framesThen) << "frames played while hidden";
    session.run("xdotool windowmap " + session.windowId());
    ASSERT_TRUE(waitUntil([&] { return session.windowViewable(); }, 10000));
    const Clock::time_point shown = Clock::now();
    letTimePass(shown + std::chrono::milliseconds(1500));
    // At four times as fast, 1.5 s plays some 375 frames; a watch making up
    // the eight hidden seconds would play 2,000 more.
    const int playedBack = lineCount(trace) - framesThen;
    std::printf("watched at 4x: %d frames before hiding, none in 8 s hidden, %d in the 1.5 s after\n", framesThen,
                playedBack);
    EXPECT_GT(playedBack, 0);
    EXPECT_LT(playedBack, 600) << "the watch raced to make up the hidden time";
    ASSERT_TRUE(waitUntil([&] { return readText(log).find("The recording ended") != std::string::npos; }, 60000));
    closeGame();
    const ReplayRun replayed =
        runReplayWith("'" + std::string(VELMORA_SOURCE) + "/tests/replay_scripts/pinned_game.txt'", folder.file(""));
    const std::vector<std::string> watched = linesOf(readText(trace));
    ASSERT_EQ(watched.size(), replayed.lines.size());
    for (std::size_t i = 0; i < watched.size(); ++i) ASSERT_EQ(watched[i], replayed.lines[i]) << "frame " << i + 1;
}

// A recording of four million new games and then one frame (32 MiB), watched
// as fast as the machine goes: the window's close is answered at once, with
// the watch still among its new games, since steps that are not frames count
// against each idle call's time as frames do.
TEST_F(SessionWindow, AWatchOfMillionsOfNewGamesClosesAtOnce) {
    const std::string recording = folder.file("new-games.rec");
    {
        std::string newGames;
        for (int i = 0; i < 4194300; ++i) newGames += "restart\n";
        std::ofstream(recording, std::ios::binary) << newGames << "frame 16\n";
    }
    ASSERT_TRUE(session.startGame(".", log, {"--play", recording, "--speed", "0"})) << readText(log);
    ASSERT_TRUE(waitUntil([&] { return session.framesCounted() > 0; }, 10000)) << "no frames drawn while watching";
    const Clock::time_point asked = Clock::now();
    ASSERT_TRUE(session.closeWindow());
    const int status = session.waitForGameExit(20000);
    const double closeMs = std::chrono::duration<double, std::milli>(Clock::now() - asked).count();
    expectGameEnded(status, 0, readText(log));
    RecordProperty("close_ms", static_cast<int>(closeMs));
    EXPECT_EQ(readText(log).find("The recording ended"), std::string::npos) << "the watch was over before the close";
    // A second, or as much more as a busy machine makes any close take.
    EXPECT_LT(closeMs, patienceMs(1000)) << "the window closed " << closeMs << " ms after it was asked";
}

TEST_F(SessionWindow, AWatchKeepsToTheFrameCap) {
    // Frames a millisecond apart: watched unpaced, every idle call would play
    // and draw, as fast as the processor goes.
    const std::string recording = folder.file("fine.rec");
    std::ofstream(recording) << "frames 100000 1\n";
    ASSERT_TRUE(session.startGame(".", log, {"--play", recording, "--fps", "20"})) << readText(log);
    ASSERT_TRUE(waitUntil([&] { return session.framesCounted() > 0; }, 10000)) << "no frames counted";
    const long long first = session.framesCounted();
    const Clock::time_point from = Clock::now();
    letTimePass(from + std::chrono::seconds(3));
    const double seconds = std::chrono::duration<double>(Clock::now() - from).count();
    const long long drawn = session.framesCounted() - first;
    RecordProperty("frames_per_second", static_cast<int>(drawn / seconds));
    // The log is rewritten twice a second, so a second's frames may be counted late.
    EXPECT_LE(drawn, 20 * (seconds + 1)) << "the cap of 20 did not hold while watching";
    EXPECT_LT(exitStatusOnClose(), 128);
}

// The level of each 20 ms stretch, in dBFS.
std::vector<double> stretchLevels(const Recording& heard) {
    std::vector<double> levels;
    const std::size_t size = static_cast<std::size_t>(heard.rate) / 50;
    for (std::size_t at = 0; size > 0 && at + size <= heard.mono.size(); at += size) {
        double sum = 0;
        for (std::size_t i = at; i < at + size; ++i) sum += double(heard.mono[i]) * heard.mono[i];
        levels.push_back(10 * std::log10(sum / size + 1e-20));
    }
    return levels;
}

// The longest run of stretches below -60 dBFS, in seconds, and where it starts.
double longestSilence(const std::vector<double>& levels, std::size_t& start) {
    std::size_t best = 0, run = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        run = levels[i] < -60 ? run + 1 : 0;
        if (run > best) best = run, start = i + 1 - run;
    }
    return best * 0.02;
}

TEST_F(SessionWindow, LoopsFallSilentWithinASecondOfHidingAndComeBack) {
    const std::string wav = folder.file("heard.wav");
    listenInto(wav);
    ASSERT_TRUE(session.startGame(".", log)) << readText(log);
    ASSERT_TRUE(session.waitForFrames() && session.waitForFrames());
    session.run("xdotool windowunmap " + session.windowId());
    ASSERT_TRUE(waitUntil([&] { return !session.windowViewable(); }, 10000));
    letTimePass(Clock::now() + std::chrono::seconds(4));
    session.run("xdotool windowmap " + session.windowId());
    ASSERT_TRUE(waitUntil([&] { return session.windowViewable(); }, 10000));
    ASSERT_TRUE(session.waitForFrames() && session.waitForFrames());
    closeGame();

    const std::vector<double> levels = stretchLevels(readRecording(wav));
    std::size_t start = 0;
    const double silent = longestSilence(levels, start);
    std::printf("hidden for 4 s: below -60 dBFS for %.2f s of it\n", silent);
    // Hidden four seconds, silent within one.
    EXPECT_GE(silent, 3.0) << "the bubbling went on while hidden";
    ASSERT_GT(start, 25u);
    ASSERT_LT(start + silent / 0.02 + 25, levels.size());
    const auto loudest = [&](std::size_t from, std::size_t to) {
        return *std::max_element(levels.begin() + from, levels.begin() + to);
    };
    EXPECT_GT(loudest(start - 25, start), -55) << "the bed was heard before hiding";
    const std::size_t after = start + static_cast<std::size_t>(silent / 0.02);
    EXPECT_GT(loudest(after, levels.size()), -55) << "the bed came back";
}

TEST_F(SessionWindow, AWatchThatEndsWithTheDrillWhirringFallsSilent) {
    // The pinned game cut while the drill creeps in, 30 s into it.
    const std::string cut = cutPinnedGame(folder, 1700);
    const std::string wav = folder.file("heard.wav");
    listenInto(wav);
    ASSERT_TRUE(session.startGame(".", log, {"--play", cut, "--speed", "8"})) << readText(log);
    ASSERT_TRUE(waitUntil([&] { return readText(log).find("The recording ended") != std::string::npos; }, 60000));
    letTimePass(Clock::now() + std::chrono::milliseconds(2500));
    closeGame();
    const std::vector<double> levels = stretchLevels(readRecording(wav));
    ASSERT_GT(levels.size(), 150u);
    // Whirring to the end, then silent within a second: the last second and a
    // half of the file, written after that, hears nothing.
    std::printf("a watch ended with the drill whirring: the last 1.5 s at most %.1f dBFS (20 ms stretches)\n",
                *std::max_element(levels.end() - 75, levels.end()));
    EXPECT_GT(*std::max_element(levels.begin(), levels.end() - 100), -40) << "the drill was never heard";
    EXPECT_LT(*std::max_element(levels.end() - 75, levels.end()), -60) << "the loops sound on after the end";
}

// Plays counted by sound, from the counter preloaded into the game: the
// player makes its buffers in one go, each sound's versions side by side.
std::map<int, long> playsIn(const std::string& path) {
    std::map<int, long> plays;
    std::ifstream in(path);
    for (int place = 0, count = 0; in >> place >> count;) plays[place / mostVariants] += count;
    return plays;
}

TEST_F(SessionWindow, WatchedSixteenTimesAsFastEveryEventSoundStartsAsAt1x) {
#ifdef VELMORA_SANITIZED
    GTEST_SKIP() << "a preloaded counter and the address sanitizer's interceptors do not mix";
#endif
    // The first fifty seconds of the pinned game: the brush's visit, food
    // picked up and put down, the drill's visit, a tooth cracking and landing.
    const std::string cut = cutPinnedGame(folder, 2700);
    std::map<int, long> plays[2];
    // At 1x, the recording's soundtrack as velmora-replay renders it on the
    // recording's own clock, through the same player: every sound it starts.
    const std::string rendered = folder.file("plays0.txt");
    const std::string render = "LD_PRELOAD='" VELMORA_AL_PLAY_COUNTER "' VELMORA_AL_PLAYS='" + rendered + "' '" +
                               VELMORA_REPLAY + "' --no-draw --sound '" + folder.file("heard0.wav") + "' '" + cut +
                               "' > /dev/null 2> '" + folder.file("render.log") + "'";
    ASSERT_EQ(std::system(render.c_str()), 0) << readText(folder.file("render.log"));
    plays[0] = playsIn(rendered);
    // At 16x, the window watching it.
    const std::string config = folder.file("alsoft1.conf");
    std::ofstream(config) << "drivers=wave\n[wave]\nfile=" << folder.file("heard1.wav") << "\n";
    session.gameEnvironment = {"ALSOFT_CONF=" + config, "VELMORA_AL_PLAYS=" + folder.file("plays1.txt")};
    session.preload = VELMORA_AL_PLAY_COUNTER;
    const std::string gameLog = folder.file("game1.log");
    ASSERT_TRUE(session.startGame(".", gameLog, {"--play", cut, "--speed", "16"}));
    ASSERT_TRUE(waitUntil([&] { return readText(gameLog).find("The recording ended") != std::string::npos; }, 90000))
        << readText(gameLog);
    ASSERT_TRUE(session.closeWindow());
    ASSERT_EQ(session.waitForGameExit(20000), 0) << readText(gameLog);
    plays[1] = playsIn(folder.file("plays1.txt"));
    // Pops come by the hundred and their voices drop what they cannot play;
    // every other sound is an event, heard as often at either speed (loops,
    // which start once and play on, are not counted).
    long events = 0;
    for (const auto& [sound, count] : plays[0]) {
        std::printf("%s: %ld at 1x, %ld at 16x\n", soundFiles[sound][0], count, plays[1][sound]);
        if (sound == PopSound) continue;
        events += count;
        EXPECT_EQ(plays[1][sound], count) << soundFiles[sound][0];
    }
    EXPECT_GE(events, 10) << "the fifty seconds hold a dozen events";
    RecordProperty("event_sounds", static_cast<int>(events));
}

}  // namespace

TEST_F(SessionWindow, AFirstGameOpensUnderTheHelpSignAndAWatchSaysWhatItIs) {
    const std::string config = folder.file("first-start"), trace = folder.file("helped.jsonl");
    session.gameEnvironment = {"XDG_CONFIG_HOME=" + config};
    session.showHelpAtStart = true;
    ASSERT_TRUE(session.startGame(".", log, {"--trace", trace})) << readText(log);
    ASSERT_TRUE(waitUntil(
        [&] { return lightIn(session.screenshot(), helpBox[0], helpBox[1], helpBox[2], helpBox[3]) > 200; }, 10000))
        << "no help sign";
    const Screenshot helped = session.screenshot();
    EXPECT_EQ(lineCount(trace), 0) << "the game moved under the help sign";
    press("space");
    ASSERT_TRUE(session.waitForFrames()) << "the game stood still after a key took the sign away";
    const Look plain = lookAt(session.screenshot());
    EXPECT_TRUE(showsSign(helped, plain, helpBox[0], helpBox[1], helpBox[2], helpBox[3]));
    EXPECT_NE(readText(config + "/velmora/settings").find("help off\n"), std::string::npos);
    const int plainLabel = lightIn(session.screenshot(), labelBox[0], labelBox[1], labelBox[2], labelBox[3]);
    closeGame();
    // The next game starts straight away.
    ASSERT_TRUE(session.startGame(".", log)) << readText(log);
    ASSERT_TRUE(session.waitForFrames()) << "the help sign came back";
    closeGame();

    // A watch: its title names the recording, a label says what it is, and a
    // sign its end, which a key takes away.
    const std::string cut = cutPinnedGame(folder, 240);
    ASSERT_TRUE(session.startGame(".", log, {"--play", cut, "--speed", "4"})) << readText(log);
    EXPECT_EQ(session.run("xdotool getwindowname " + session.windowId()), "Velmora - watching cut-240.rec\n");
    EXPECT_TRUE(waitUntil(
        [&] {
            return lightIn(session.screenshot(), labelBox[0], labelBox[1], labelBox[2], labelBox[3]) > plainLabel + 40;
        },
        10000))
        << "no watching label";
    ASSERT_TRUE(waitUntil([&] { return readText(log).find("The recording ended") != std::string::npos; }, 20000));
    ASSERT_TRUE(waitUntil(
        [&] { return showsSign(session.screenshot(), plain, endBox[0], endBox[1], endBox[2], endBox[3]); }, 10000))
        << "no end sign";
    press("space");
    ASSERT_TRUE(waitUntil([&] { return lookAt(session.screenshot()).outside > 0.85 * plain.outside; }, 10000))
        << "the end sign stayed";
    closeGame();
}

// Every line the game made reaches its recording while the game stands still
// (no update comes to take it there) and when a signal ends the game.
TEST_F(SessionWindow, LinesReachTheFilesWhilePausedAndWhenASignalEndsTheGame) {
    const std::string recording = folder.file("still.rec"), trace = folder.file("still.jsonl");
    const auto framesRecorded = [&] { return countStarting(linesOf(readText(recording)), "frame"); };
    const auto playDragAndPause = [&] {
        ASSERT_TRUE(session.startGame(".", log, {"--record", recording, "--trace", trace})) << readText(log);
        ASSERT_TRUE(session.waitForFrames());
        const std::string w = session.windowId();
        session.run("xdotool mousemove --window " + w + " 325 50 mousedown 1 mousemove --window " + w + " 200 130");
        ASSERT_TRUE(waitUntil([&] { return lastLine(trace).find("\"heldFood\":0") != std::string::npos; }, 10000));
        press("p");
        // Released while paused: the game acts on it, so the recording holds it.
        session.run("xdotool mouseup 1");
    };
    playDragAndPause();
    ASSERT_TRUE(waitUntil([&] { return readText(recording).find("\nmouse 0 1 ") != std::string::npos; }, 5000))
        << "the release waited in memory";
    ASSERT_TRUE(waitUntil([&] { return framesRecorded() == lineCount(trace); }, 5000))
        << framesRecorded() << " frames recorded, " << lineCount(trace) << " traced";
    session.signalGame(SIGKILL);
    session.waitForGameExit(20000);

    playDragAndPause();
    session.signalGame(SIGTERM);
    expectGameEnded(session.waitForGameExit(20000), 0, readText(log));
    EXPECT_NE(readText(recording).find("\nmouse 0 1 "), std::string::npos) << "the release was lost at the end";
    EXPECT_EQ(framesRecorded(), lineCount(trace));
    EXPECT_EQ(readText(recording).back(), '\n');
    EXPECT_NE(readText(log).find("The game was asked to end (SIGTERM): its files are written out"), std::string::npos);
}
