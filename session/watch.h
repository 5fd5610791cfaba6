// Watching a recording, in the window and on the page alike: its steps are
// played through the session as their time comes, speed times as fast as they
// were recorded, on the session's play clock, so a watch stands still with
// the game (a hidden window, a pause) and goes on where it stood.
#pragma once
#include <string>

#include "recording/script_player.h"

struct Session;

// A watched recording's frames come when their clock readings say, counted
// from the first frame.
struct ScriptPace {
    double speed = 1;  // 0: every frame is due at once
    bool started = false;
    double startSeconds = 0;  // the play clock when the first frame came
    int startClockMs = 0;     // that frame's clock reading
    ScriptStep held;          // a frame taken from the script before its time came
    bool holding = false;
};

// True with the next step whose time has come at nowSeconds; false while the
// next frame is still ahead, with the seconds until it is due in waitSeconds.
bool nextDueStep(ScriptPlayer& player, ScriptPace& pace, double nowSeconds, ScriptStep& step, double& waitSeconds);

struct Watch {
    // A script held whole (a test's), or for a recording read from its file
    // as it plays, only what was said about it: its cut-off last line.
    ReplayScript script;
    ScriptStream stream;
    ScriptPlayer player;
    ScriptPace pace;
    std::string lastFrameStays = "until the window is closed";  // how the end is told
};

// Checks the whole recording at path before anything of it is played, then
// reads it as it plays, in the same small memory whatever its length. False
// with one line in fault (the file, the line, the fault); a last line cut off
// without its newline is left out and said in one line.
bool openWatch(Watch& watch, const std::string& path, std::string& fault);

// The session's game is the recording's from now on; the player's input no
// longer reaches it.
void startWatching(Session& session, Watch& watch, double speed);

struct WatchedSteps {
    int frames = 0;          // frames played
    double waitSeconds = 0;  // until the next frame is due, when none was
};

// Plays the steps whose time has come at steadyMs, frames or not, for at most
// longestSeconds of wall time (but at least one step) so that the program
// keeps answering. Nothing while the game
// stands still. At the end of the recording the game stands still for good,
// and says so in one line.
WatchedSteps watchDueSteps(Session& session, Watch& watch, long long steadyMs, double longestSeconds);
