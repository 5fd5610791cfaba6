// Script stepping, and opening a recording that is to be watched.
#include "recording/script_player.h"

#include <sys/stat.h>

namespace {

// The command to look at next, or null once the script is played out.
const ReplayCommand* commandAt(ScriptPlayer& player) {
    if (player.script)
        return player.next < player.script->commands.size() ? &player.script->commands[player.next] : nullptr;
    if (player.inRun) return &player.current;
    if (!player.stream || !nextStreamCommand(*player.stream, player.current)) return nullptr;
    player.inRun = true;
    return &player.current;
}

void commandDone(ScriptPlayer& player) {
    ++player.next;
    player.inRun = false;
    player.frameInRun = 0;
}

}  // namespace

ScriptStep nextScriptStep(ScriptPlayer& player) {
    while (const ReplayCommand* found = commandAt(player)) {
        const ReplayCommand& c = *found;
        ScriptStep step;
        step.command = &c;
        switch (c.kind) {
            case ReplayCommandKind::Frames:
                if (player.frameInRun >= c.count) {  // an empty run, or one played out
                    commandDone(player);
                    continue;
                }
                step.kind = ScriptStepKind::Frame;
                step.clockMs = c.firstMs + player.frameInRun * c.stepMs;
                step.lastOfRun = ++player.frameInRun == c.count;
                // A command read from a stream stays in place until the next step is asked for.
                if (step.lastOfRun) commandDone(player);
                return step;
            case ReplayCommandKind::Reshape:
                step.kind = ScriptStepKind::Reshape;
                break;
            case ReplayCommandKind::Shot:
                step.kind = ScriptStepKind::Shot;
                break;
            case ReplayCommandKind::Restart:
                step.kind = ScriptStepKind::Restart;
                break;
            default:
                step.kind = ScriptStepKind::Input;
                break;
        }
        commandDone(player);
        return step;
    }
    return ScriptStep{};
}

bool openWatchedRecording(const std::string& path, ScriptStream& stream, std::string& notice, std::string& error) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + ": not a recording file";
        return false;
    }
    std::string fault;
    if (!openScriptStream(stream, path, fault, notice)) {
        error = path + ": " + fault;
        return false;
    }
    return true;
}
