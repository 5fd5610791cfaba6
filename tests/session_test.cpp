// One session, as every program runs it: a game played through it (pointer,
// keys, a pause, a hidden window, a new game, a resize) is recorded, and the
// recording played through a fresh session gives the same game frame by
// frame; a watched recording stands still with the game and goes on where it
// stood.
#include "session/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/state.h"
#include "game/game_state.h"
#include "gfx/texture_cache.h"
#include "recording/script_player.h"
#include "session/frame_loop.h"
#include "session/watch.h"
#include "tests/temp_files.h"
#include "tests/test_support.h"

namespace {

int count(const std::vector<std::string>& lines, const std::string& start) {
    int n = 0;
    for (const std::string& line : lines) n += line.rfind(start, 0) == 0;
    return n;
}

// A game and its session on the recording OpenGL, started as a program starts it.
struct Played {
    std::unique_ptr<GameState> game;
    Session session;
    long long steadyMs = 100000;  // any steady clock's origin

    Played() {
        resetGameGlobals();
        viewSettings.perspective = 0;
        currentView = &viewSettings;
        captureDiagnostics([&] {
            game = std::make_unique<GameState>();
            switchState(*game);
            setFixedGlState();
            onReshape(canvasWidth, canvasHeight);
        });
        startSession(session, *game, steadyMs);
        session.tracing = true;
        session.traceBacteria = true;
    }
    ~Played() {
        currentState = nullptr;
        game->leave(nullptr);
        game.reset();
    }
    // Frames a program would run over ms of its steady clock, one every 16 ms.
    void play(int ms) {
        for (int t = 0; t < ms; t += 16) {
            steadyMs += 16;
            playUpdate(session, steadyMs);
        }
    }
    void pointer(ReplayCommandKind kind, int x, int y, int state = 0) {
        ReplayCommand c;
        c.kind = kind;
        c.buttonState = state;
        c.x = x;
        c.y = y;
        sendInput(session, c);
    }
    void key(unsigned char k) {
        playerKey(session, k, 10, 10, steadyMs);
        playerKeyUp(session, k, 10, 10);
    }
};

// Where a canvas point is in the 800 x 600 window.
int windowX(float canvasX) { return static_cast<int>(canvasX) + 400; }
int windowY(float canvasY) { return 300 - static_cast<int>(canvasY); }

TEST(Session, APlayedGamesRecordingPlaysBackFrameByFrame) {
    std::string recording, trace;
    float stepAfterPause = -1, stepAfterHiding = -1;
    std::string afterNewGame;
    {
        Played p;
        p.session.recording = true;
        p.play(1000);
        // The left food dragged onto the first tooth, where bacteria breed.
        const Vec3 tooth = p.game->teeth[0]->sprite.position;
        p.pointer(ReplayCommandKind::Mouse, 325, 50, 0);
        p.pointer(ReplayCommandKind::Motion, 200, 150);
        p.play(100);
        p.pointer(ReplayCommandKind::Motion, windowX(tooth.x), windowY(tooth.y));
        p.play(3000);
        // Paused while still holding it: the game's time stands still, the
        // pointer does not reach it, but the release does, so nothing stays held.
        p.key('p');
        ASSERT_TRUE(p.session.paused);
        const int framesBefore = static_cast<int>(p.session.frames);
        p.pointer(ReplayCommandKind::Motion, 700, 500);
        p.pointer(ReplayCommandKind::Mouse, 700, 500, 1);
        p.play(5000);
        EXPECT_EQ(p.session.frames, framesBefore) << "no update while paused";
        EXPECT_EQ(p.game->heldFood, -1) << "the release reached the game";
        p.key('P');
        p.play(16);
        stepAfterPause = frameDelta;
        // Keys the game ignores, and the game's own sizes.
        p.key('a');
        ReplayCommand special;
        special.kind = ReplayCommandKind::Special;
        special.key = 101;
        sendInput(p.session, special);
        EXPECT_TRUE(reshapeGame(p.session, 1000, 500));
        p.play(2000);
        setHidden(p.session, true, p.steadyMs);
        p.play(8000);
        setHidden(p.session, false, p.steadyMs);
        p.play(16);
        stepAfterHiding = frameDelta;
        p.play(20000);  // the brush comes at about twenty seconds
        p.key('m');
        p.key('n');
        EXPECT_FALSE(p.session.paused);
        p.play(16);
        afterNewGame = linesOf(p.session.traceLines).back();
        // The new game's own brush, then its drill, from the new start.
        p.play(40000);
        recording = p.session.recordLines;
        trace = p.session.traceLines;
        EXPECT_EQ(textureCache.size(), 6u) << "a new game loads no picture twice";
    }
    EXPECT_FLOAT_EQ(stepAfterPause, 0.016f) << "one ordinary step on";
    EXPECT_FLOAT_EQ(stepAfterHiding, 0.016f) << "one ordinary step on";
    // A new game: eleven whole teeth with two bacteria each, nothing falling,
    // the food back where it starts.
    for (std::size_t at = 0, teeth = 0; teeth < 11; ++teeth) {
        at = afterNewGame.find("\"n\":", at + 1);
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(afterNewGame.substr(at, 6), "\"n\":2,") << "tooth " << teeth;
    }
    EXPECT_NE(afterNewGame.find("\"falling\":[]"), std::string::npos);
    EXPECT_NE(afterNewGame.find("\"heldFood\":-1"), std::string::npos);
    EXPECT_NE(afterNewGame.find("{\"x\":-75,\"y\":250"), std::string::npos);

    // The session's own keys are nowhere in the recording; the game's are.
    const std::vector<std::string> lines = linesOf(recording);
    for (const char* taken : {"key p", "key P", "keyup 112", "keyup 80", "key m", "keyup 109", "key n", "keyup 110"})
        EXPECT_EQ(count(lines, taken), 0) << taken;
    for (const char* kept : {"key a", "keyup 97", "special 101", "restart", "reshape 1000 500", "mouse 0 1 700 500"})
        EXPECT_EQ(count(lines, kept), 1) << kept;
    EXPECT_EQ(count(lines, "motion 700 500"), 0) << "the paused game's pointer";

    // The food lay on the tooth: bacteria bred there.
    int mostOnATooth = 0;
    for (const std::string& frame : linesOf(trace))
        for (std::size_t at = frame.find("\"n\":"); at != std::string::npos; at = frame.find("\"n\":", at + 1))
            mostOnATooth = std::max(mostOnATooth, std::atoi(frame.c_str() + at + 4));
    EXPECT_GT(mostOnATooth, 12);

    // Played again through a fresh session, as the replay and a watch play it.
    std::istringstream in(recording);
    const ReplayScript script = parseReplayScript(in);
    ASSERT_EQ(script.error, "");
    Played again;
    ScriptPlayer player{&script};
    for (ScriptStep step = nextScriptStep(player); step.kind != ScriptStepKind::End; step = nextScriptStep(player))
        playScriptStep(again.session, step);
    const std::vector<std::string> played = linesOf(trace), replayed = linesOf(again.session.traceLines);
    ASSERT_EQ(replayed.size(), played.size());
    EXPECT_GT(played.size(), 4000u);
    for (std::size_t i = 0; i < played.size(); ++i) ASSERT_EQ(replayed[i], played[i]) << "frame " << i + 1;
}

// A recording of readings 16 ms apart, watched at 1x on the session's clock.
TEST(Session, AWatchStandsStillWithTheGameAndGoesOnWhereItStood) {
    std::string text = "reshape 800 600\n";
    for (int ms = 16; ms <= 20000; ms += 16) text += "frame " + std::to_string(ms) + "\n";
    std::istringstream in(text);
    Watch watch;
    watch.script = parseReplayScript(in);
    watch.player = ScriptPlayer{&watch.script};
    Played p;
    startWatching(p.session, watch, 1);
    const auto watchFor = [&](int ms) {
        int frames = 0;
        for (int t = 0; t < ms; t += 16) {
            p.steadyMs += 16;
            frames += watchDueSteps(p.session, watch, p.steadyMs, 1).frames;
        }
        return frames;
    };
    EXPECT_NEAR(watchFor(2000), 125, 1);
    setHidden(p.session, true, p.steadyMs);
    EXPECT_EQ(watchFor(8000), 0) << "nothing plays while hidden";
    setHidden(p.session, false, p.steadyMs);
    EXPECT_NEAR(watchFor(1504), 94, 1) << "back at one frame a frame, not making up the hidden time";
    p.key('p');
    EXPECT_EQ(watchFor(3000), 0) << "nor while paused";
    p.key('p');
    EXPECT_NEAR(watchFor(1504), 94, 1);
    const std::string said = captureDiagnostics([&] { watchFor(30000); });
    EXPECT_EQ(said, "The recording ended after 1250 frames; its last frame stays until the window is closed\n");
    EXPECT_TRUE(standingStill(p.session));
    setHidden(p.session, true, p.steadyMs);
    setHidden(p.session, false, p.steadyMs);
    EXPECT_EQ(watchFor(1000), 0) << "an ended watch stays ended";
    EXPECT_EQ(p.session.frames, 1250);
}

// A recording of nothing but new games: the steps that are not frames count
// against an idle call's time too, so the window keeps answering.
TEST(Session, AWatchOfNewGamesAloneKeepsToItsTime) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "restart\n";
    text += "frame 16\n";
    std::istringstream in(text);
    Watch watch;
    watch.script = parseReplayScript(in);
    watch.player = ScriptPlayer{&watch.script};
    Played p;
    startWatching(p.session, watch, 0);
    int calls = 0;
    while (p.session.frames == 0 && calls < 100000) {
        ++calls;
        watchDueSteps(p.session, watch, ++p.steadyMs, 0.001);
    }
    EXPECT_EQ(p.session.frames, 1);
    EXPECT_GT(calls, 2) << "twenty thousand new games in one idle call";
}

// A recording is watched from its file as it plays, whatever its length: one
// past the 32 MiB a watch once read whole plays like any other, and a last
// line cut off is said and left out.
TEST(Session, AWatchedRecordingOfAnyLengthPlays) {
    TempFolder folder;
    const std::string path = folder.file("long.rec");
    {
        std::ofstream out(path, std::ios::binary);
        const std::string comment = "#" + std::string(4000, 'x') + "\n";
        for (long long size = 0; size < (33ll << 20); size += static_cast<long long>(comment.size())) out << comment;
        for (int ms = 16; ms <= 1600; ms += 16) out << "frame " << ms << "\n";
        out << "frame 1616";
    }
    Watch watch;
    std::string fault;
    const std::string said = captureDiagnostics([&] { EXPECT_TRUE(openWatch(watch, path, fault)) << fault; });
    EXPECT_NE(said.find("has no newline"), std::string::npos) << said;
    Played p;
    startWatching(p.session, watch, 0);
    const std::string ended = captureDiagnostics([&] {
        for (int i = 0; i < 1000 && !p.session.ended; ++i) watchDueSteps(p.session, watch, ++p.steadyMs, 1);
    });
    EXPECT_EQ(p.session.frames, 100);
    EXPECT_NE(ended.find("ended after 100 frames"), std::string::npos) << ended;

    // A bad line anywhere refuses the file before anything plays.
    std::ofstream(path, std::ios::app) << "\nframe 5\n";
    Watch refused;
    EXPECT_FALSE(openWatch(refused, path, fault));
    EXPECT_NE(fault.find(": line 8749: MS 5 is before the last reading 1616"), std::string::npos) << fault;
}

}  // namespace

// The help sign holds the game as a pause does: a game played under it, the
// sign taken away by the press that picks up a sweet and brought back with H
// and F1, is frame for frame the game played without it, and the recording
// holds none of the keys that only moved the sign.
TEST(Session, TheHelpSignHoldsTheGameAndLeavesNoMark) {
    const auto playGame = [](bool withHelp, std::string& trace, std::string& recording) {
        Played p;
        p.session.recording = true;
        if (withHelp) {
            setHelping(p.session, true, p.steadyMs);
            p.play(3000);
            EXPECT_EQ(p.session.frames, 0) << "the game moved under the help sign";
        }
        const PlayerAction press = playerPointer(p.session, 325, 50, 0, 0, p.steadyMs);
        EXPECT_EQ(press, withHelp ? PlayerAction::HelpGone : PlayerAction::PassedOn);
        EXPECT_FALSE(p.session.helping);
        EXPECT_EQ(p.game->heldFood, 0) << "the press that took the sign away picked up the sweet";
        playerMove(p.session, ReplayCommandKind::Motion, 330, 200);
        p.play(2000);
        if (withHelp) {
            EXPECT_EQ(playerKey(p.session, 'h', 1, 1, p.steadyMs), PlayerAction::Help);
            playerKeyUp(p.session, 'h', 1, 1);
            p.play(2000);
            EXPECT_EQ(playerSpecial(p.session, 5, 1, 1, p.steadyMs), PlayerAction::HelpGone) << "any key";
            EXPECT_EQ(playerSpecial(p.session, 1, 1, 1, p.steadyMs), PlayerAction::Help) << "F1";
            playerSpecial(p.session, 1, 1, 1, p.steadyMs, true);
            playerMove(p.session, ReplayCommandKind::Motion, 500, 500);  // not the game's: it stands still
            p.play(1000);
            EXPECT_EQ(playerKey(p.session, 'q', 1, 1, p.steadyMs), PlayerAction::HelpGone);
            playerKeyUp(p.session, 'q', 1, 1);
        }
        playerPointer(p.session, 330, 200, 0, 1, p.steadyMs);
        p.play(3000);
        trace = p.session.traceLines;
        recording = p.session.recordLines;
    };
    std::string helpedTrace, helpedRecording, trace, recording;
    playGame(true, helpedTrace, helpedRecording);
    playGame(false, trace, recording);
    EXPECT_GT(linesOf(trace).size(), 250u);
    EXPECT_EQ(helpedTrace, trace);
    EXPECT_EQ(helpedRecording, recording);

    // Never over a watched recording: H and F1 are the recording's to ignore.
    Played watched;
    watched.session.watching = true;
    EXPECT_EQ(playerKey(watched.session, 'H', 1, 1, watched.steadyMs), PlayerAction::PassedOn);
    EXPECT_EQ(playerSpecial(watched.session, 1, 1, 1, watched.steadyMs), PlayerAction::PassedOn);
    setHelping(watched.session, true, watched.steadyMs);
    EXPECT_FALSE(watched.session.helping);
}

// A key the game took before a pause is released in the recording too.
TEST(Session, AKeyHeldIntoAPauseIsReleasedInTheRecording) {
    Played p;
    p.session.recording = true;
    p.play(100);
    playerKey(p.session, 'a', 1, 1, p.steadyMs);
    playerSpecial(p.session, 101, 1, 1, p.steadyMs);
    p.key('p');
    playerKeyUp(p.session, 'a', 1, 1);
    playerSpecial(p.session, 101, 1, 1, p.steadyMs, true);
    const std::vector<std::string> lines = linesOf(p.session.recordLines);
    EXPECT_EQ(count(lines, "keyup 97 "), 1);
    EXPECT_EQ(count(lines, "specialup 101 "), 1);
}
