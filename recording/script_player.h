// Walking through a script one step at a time: each frame with its clock
// reading (a `frames` run unrolled), and each other command in its turn. What
// a step does to the game is the loop's business; here the script is only read.
#pragma once
#include <cstddef>
#include <string>

#include "recording/replay_script.h"

enum class ScriptStepKind { Frame, Input, Reshape, Restart, Shot, End };

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

// The next step, or End once the script is played out.
ScriptStep nextScriptStep(ScriptPlayer& player);

// The largest recording a watcher reads: ten hours or so of play. Each line
// read costs a command in memory, so this bounds what a file can make us hold.
constexpr long long maxWatchedRecordingBytes = 32ll << 20;

// Reads and checks a whole recording before anything of it is played. On a
// fault, error holds one line: the file and the fault (with its line number).
bool readWatchedRecording(const std::string& path, ReplayScript& script, std::string& error);
