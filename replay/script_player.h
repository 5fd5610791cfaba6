// Playing a script one step at a time: the replay tool walks it as fast as it
// can, a watched recording frame by frame on the display's clock. The player
// hands back each frame's clock reading and each command that is the
// program's to act on (a reshape, a shot); the input commands it delivers to
// the game itself, exactly as the window's callbacks would.
#pragma once
#include <cstddef>

#include "replay/replay_script.h"

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
