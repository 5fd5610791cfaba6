// One game session, as every program runs it: the window, the page and the
// replay tool turn their platform's events and clock into calls here, and
// nothing more. Each update goes the same way everywhere: the frame clock
// moved on, the game advanced, then each listener told of it (the recording's
// line, the trace line, the sounds). The session also knows when the game
// stands still (a hidden window, a pause, a watched recording that ended):
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

    // What the listeners are given, for the program to take away: the lines a
    // recording holds of what the game received, and the trace lines.
    bool recording = false;
    std::string recordLines;
    bool tracing = false;
    bool traceBacteria = false;
    std::string traceLines;
    long long frames = 0;  // updates run so far, numbering the trace lines

    bool watching = false;  // the game is a recording's: the player's input does not reach it
    bool hidden = false;
    bool paused = false;
    bool ended = false;        // a watched recording played out
    bool takenKeys[256] = {};  // keys whose press the session took, so their release is its too
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
// the game. None reaches a watched game, and while paused only a button's
// release does, so nothing stays held.
void sendInput(Session& session, const ReplayCommand& input);
// The player's keys. P pauses and goes on, N starts a new game (not while
// watching) and M turns sound off and on: the session takes them, their
// releases too, and no recording holds them. Other keys are input as above.
// Says what the key did, for the program to show it.
enum class PlayerAction { PassedOn, Pause, NewGame, Sound };
PlayerAction playerKey(Session& session, unsigned char key, int x, int y, long long steadyMs);
void playerKeyUp(Session& session, unsigned char key, int x, int y);
// The player's special keys (arrows, F1...), input for the game; with up, their release.
void playerSpecial(Session& session, int key, int x, int y, bool up = false);
// The player's pointer: a button (GLUT's codes) or, for Motion and Passive, a move.
void playerPointer(Session& session, ReplayCommandKind kind, int x, int y, int button = 0, int buttonState = 0);

// A window size, written down and applied to the view; true when the game
// uses it, and the program then asks its window for currentView's size.
bool reshapeGame(Session& session, int width, int height);

// A new game in place of this one, written down as `restart`. It also ends a pause.
void newGame(Session& session);

void setPaused(Session& session, bool paused, long long steadyMs);
void setHidden(Session& session, bool hidden, long long steadyMs);
void setEnded(Session& session, bool ended, long long steadyMs);

// Delivers one script input command to the current state, as the window's
// callbacks would have delivered it.
void deliverInput(const ReplayCommand& c);
// Plays one step of a script: a frame (an update at its reading), input, a
// reshape of the view, a new game. False for what is the program's own to do
// (a shot, the end).
bool playScriptStep(Session& session, const ScriptStep& step);

// Draws the frame the session shows: the game, and over it the pause sign
// while paused. The program swaps the buffers.
void drawSessionFrame(const Session& session);
