// Walking through a script one step at a time: each frame with its clock
// reading (a `frames` run unrolled), and each other command in its turn. What
// a step does to the game is the loop's business; here the script is only read.
#pragma once
#include <cstddef>
#include <string>

#include "recording/replay_script.h"
#include "recording/script_stream.h"

enum class ScriptStepKind { Frame, Input, Reshape, Restart, Shot, End };

struct ScriptStep {
    ScriptStepKind kind = ScriptStepKind::End;
    // The command the step comes from (none at the end), good until the next step.
    const ReplayCommand* command = nullptr;
    int clockMs = 0;         // a frame's clock reading
    bool lastOfRun = false;  // a frame that ends its `frames` run
};

// Plays a script held whole in memory, or one read from its file as it goes.
struct ScriptPlayer {
    const ReplayScript* script = nullptr;
    ScriptStream* stream = nullptr;
    std::size_t next = 0;        // the next command to look at, in a script held whole
    ReplayCommand current = {};  // the command being played, from a stream
    bool inRun = false;          // current is a run with frames still to hand out
    int frameInRun = 0;          // frames of the current run already handed out
};

// The next step, or End once the script is played out.
ScriptStep nextScriptStep(ScriptPlayer& player);

// Opens a recording that is to be watched, checked whole before anything of
// it is played and then read as it plays. Only a regular file: a FIFO or a
// device could feed the reader without end. On a fault, error holds one line:
// the file and the fault (with its line number).
bool openWatchedRecording(const std::string& path, ScriptStream& stream, std::string& notice, std::string& error);
