// Script stepping, and reading a recording that is to be watched.
#include "recording/script_player.h"

#include <sys/stat.h>

#include <cstdio>
#include <sstream>

ScriptStep nextScriptStep(ScriptPlayer& player) {
    const std::vector<ReplayCommand>& commands = player.script->commands;
    while (player.next < commands.size()) {
        const std::size_t index = player.next;
        const ReplayCommand& c = commands[index];
        ScriptStep step;
        step.command = &c;
        step.commandIndex = index;
        switch (c.kind) {
            case ReplayCommandKind::Frames:
                if (player.frameInRun >= c.count) {  // an empty run, or one played out
                    player.frameInRun = 0;
                    ++player.next;
                    continue;
                }
                step.kind = ScriptStepKind::Frame;
                step.clockMs = c.firstMs + player.frameInRun * c.stepMs;
                step.lastOfRun = ++player.frameInRun == c.count;
                if (step.lastOfRun) {
                    player.frameInRun = 0;
                    ++player.next;
                }
                return step;
            case ReplayCommandKind::Reshape:
                step.kind = ScriptStepKind::Reshape;
                ++player.next;
                return step;
            case ReplayCommandKind::Shot:
                step.kind = ScriptStepKind::Shot;
                ++player.next;
                return step;
            case ReplayCommandKind::Restart:
                step.kind = ScriptStepKind::Restart;
                ++player.next;
                return step;
            default:
                step.kind = ScriptStepKind::Input;
                ++player.next;
                return step;
        }
    }
    return ScriptStep{};
}

bool readWatchedRecording(const std::string& path, ReplayScript& script, std::string& error) {
    struct stat info;
    // Not a FIFO or a device: those could feed the reader without end.
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + ": not a recording file";
        return false;
    }
    if (info.st_size > maxWatchedRecordingBytes) {
        error = path + ": larger than " + std::to_string(maxWatchedRecordingBytes >> 20) + " MiB";
        return false;
    }
    // No more than the size seen, should the file still be growing.
    std::string text(static_cast<std::size_t>(info.st_size), '\0');
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const bool read = file && std::fread(text.data(), 1, text.size(), file) == text.size();
    if (file) std::fclose(file);
    if (!read) {
        error = path + ": cannot be read";
        return false;
    }
    std::istringstream lines(std::move(text));
    script = parseReplayScript(lines);
    if (!script.error.empty()) {
        error = path + ": " + script.error;
        script.commands.clear();
        return false;
    }
    return true;
}
