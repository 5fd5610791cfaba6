// Playing a script one step at a time: the replay tool walks it as fast as it
// can, a watched recording frame by frame on the display's clock. The player
// hands back each frame's clock reading and each command that is the
// program's to act on (a reshape, a shot); the input commands it delivers to
// the game itself, exactly as the window's callbacks would. A watched
// recording takes its steps as their time comes, on the wall clock.
#pragma once
#include <cstddef>
#include <string>

#include "recording/replay_script.h"

enum class ScriptStepKind { Frame, Reshape, Shot, End };

struct ScriptStep {
    ScriptStepKind kind = ScriptStepKind::End;
    const ReplayCommand* command = nullptr;  // the command the step comes from (none at the end)
    int clockMs = 0;                         // a frame's clock reading
    bool lastOfRun = false;                  // a frame that ends its `frames` run
    std::size_t commandIndex = 0;            // where the command stands in the script
};

struct ScriptPlayer {
    const ReplayScript* script = nullptr;
    std::size_t next = 0;  // the next command to look at
    int frameInRun = 0;    // frames of the current run already handed out
};

// Delivers input commands until the next frame, reshape or shot, and returns it.
ScriptStep nextScriptStep(ScriptPlayer& player);

// Hands one input command (mouse, motion, passive, key, keyup, special,
// specialup) to the current state; false for any other kind.
bool deliverScriptInput(const ReplayCommand& c);

// Watching a recording: its frames come when their clock readings say, speed
// times as fast as they were recorded, counted from the first frame.
struct ScriptPace {
    double speed = 1;  // 0: every frame is due at once
    bool started = false;
    double startSeconds = 0;  // the wall clock when the first frame came
    int startClockMs = 0;     // that frame's clock reading
    ScriptStep held;          // a frame taken from the script before its time came
    bool holding = false;
};

// True with the next step whose time has come at nowSeconds (any steady
// clock); false while the next frame is still ahead, with the seconds until it
// is due in waitSeconds. The input before a frame reaches the game when the
// frame is taken from the script, as the recorded game received it before the
// frame's idle call.
bool nextDueStep(ScriptPlayer& player, ScriptPace& pace, double nowSeconds, ScriptStep& step, double& waitSeconds);

// One recorded idle call: the frame clock set to the recorded reading, then
// the current state's update, as the shell's idle callback does with GLUT's.
void playScriptFrame(int clockMs);

// A recorded reshape as the game's view: the shell's reshape, 4:3 height from
// the width and the same report for a size it cannot use, but without asking
// any window for a size, so that the watcher's window stays as it is. False
// when the size was refused and the view left as it was.
bool applyScriptReshape(int width, int height);

// The largest recording a watcher reads: ten hours or so of play. Each line
// read costs a command in memory, so this bounds what a file can make us hold.
constexpr long long maxWatchedRecordingBytes = 32ll << 20;

// Reads and checks a whole recording before anything of it is played. On a
// fault, error holds one line: the file and the fault (with its line number).
bool readWatchedRecording(const std::string& path, ReplayScript& script, std::string& error);
