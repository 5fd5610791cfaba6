// One game session, as every program runs it: the window, the page and the
// replay tool turn their platform's events and clock into calls here, and
// nothing more. Each update goes the same way everywhere: the frame clock
// moved on, the game advanced, then each listener told of it (the recording's
// line, the trace line, the sounds). The session also knows when the game
// stands still (a hidden window, a pause, the help sign, a watched recording
// that ended):
// then no update runs, its clock is held and the loops fall silent.
#pragma once
#include <string>

#include "recording/replay_script.h"
#include "session/play_clock.h"

struct GameState;
struct ScriptStep;

struct Session {
    GameState* game = nullptr;
    PlayClock clock;
    int lastReadingMs = 0;  // the play clock at the latest update, where it is held when the game stands still
    // The sounds follow the play clock (a window, a page), or with this the
    // updates' own readings (a recording's soundtrack made offline).
    bool soundOnUpdateClock = false;

    // What the listeners are given, for the program to take away: the lines a
    // recording holds of what the game received, and the trace lines.
    bool recording = false;
    std::string recordLines;
    bool tracing = false;
    bool traceBacteria = false;
    std::string traceLines;
    long long frames = 0;  // updates run so far, numbering the trace lines

    bool watching = false;  // the game is a recording's: the player's input does not reach it
    double watchSpeed = 1;  // shown on the watching label; 0 for as fast as it goes
    bool hidden = false;
    bool paused = false;
    bool helping = false;      // the help sign is up
    bool ended = false;        // a watched recording played out
    bool endSignUp = false;    // and the sign saying so is over its last frame
    bool takenKeys[256] = {};  // keys whose press the session took, so their release is its too
    bool takenSpecials[256] = {};
};

// Starts the session's clock at steadyMs for game, already current.
void startSession(Session& session, GameState& game, long long steadyMs);

bool standingStill(const Session& session);

// One update at clockMs, then its listeners. Runs even while standing still:
// a program that has a reading to give (a script's) decides for itself.
void runUpdate(Session& session, int clockMs);
// One update at the play clock's reading, unless the game stands still.
void playUpdate(Session& session, long long steadyMs);

// The player's own input (never a script's): written down, then handed to
// the game. None reaches a watched game, and while paused or under the help
// sign only releases do (a button's, a key's), so nothing the game took stays
// held.
void sendInput(Session& session, const ReplayCommand& input);
// What the player's key or press did, for the program to show or keep it:
// HelpGone is the help sign taken away by the player, to be kept as seen;
// EndSignGone the end sign of a watched recording, to see its last frame bare.
enum class PlayerAction { PassedOn, Pause, NewGame, Sound, Help, HelpGone, EndSignGone };
// The player's keys. P pauses and goes on, N starts a new game (not while
// watching), M turns sound off and on and H shows the help sign (not while
// watching): the session takes them, their releases too, and no recording
// holds them. Under the help sign, or a watched recording's end sign, any key
// only takes the sign away. Other keys are input as above.
PlayerAction playerKey(Session& session, unsigned char key, int x, int y, long long steadyMs);
void playerKeyUp(Session& session, unsigned char key, int x, int y);
// The player's special keys (arrows, F1...), input for the game; with up,
// their release. F1 shows the help sign as H does.
PlayerAction playerSpecial(Session& session, int key, int x, int y, long long steadyMs, bool up = false);
// A button of the player's pointer (GLUT's codes). A press under the help sign takes the sign away and goes on to the
// game, so the press that picks up a sweet also starts the play.
PlayerAction playerPointer(Session& session, int x, int y, int button, int buttonState, long long steadyMs);
// A move of the pointer: Motion with a button held, Passive without.
void playerMove(Session& session, ReplayCommandKind kind, int x, int y);

// A window size, written down and applied to the view; true when the game
// uses it, and the program then asks its window for currentView's size.
bool reshapeGame(Session& session, int width, int height);

// A new game in place of this one, written down as `restart`. A pause goes on:
// the player's N ends it as it starts the game.
void newGame(Session& session);

void setPaused(Session& session, bool paused, long long steadyMs);
// The help sign up or away; the game stands still under it. Never over a
// watched recording.
void setHelping(Session& session, bool helping, long long steadyMs);
void setHidden(Session& session, bool hidden, long long steadyMs);
void setEnded(Session& session, bool ended, long long steadyMs);

// Delivers one script input command to the current state, as the window's
// callbacks would have delivered it.
void deliverInput(const ReplayCommand& c);
// Plays one step of a script: a frame (an update at its reading), input, a
// reshape of the view, a new game. False for what is the program's own to do
// (a shot, the end).
bool playScriptStep(Session& session, const ScriptStep& step);

// Draws the frame the session shows: the game, then its signs. The program
// swaps the buffers.
void drawSessionFrame(const Session& session);
// The two halves, for a program that scales the game's picture and puts the
// signs over it at the window's own size: the game, and over it the pause
// sign while paused, the help sign while it is up, and a watched recording's
// label or, once it has played out, its end sign.
void drawSessionGame(const Session& session);
void drawSessionSigns(const Session& session);
