// Script stepping: input reaches the current state through the same forwarding
// functions the window's callbacks use, so a played script is the game played.
#include "recording/script_player.h"

#include <sys/stat.h>

#include <cstdio>
#include <sstream>

#include "session/frame_loop.h"
#include "core/frame_clock.h"
#include "core/state.h"
#include "core/view.h"
#include "gfx/diagnostic.h"

bool deliverScriptInput(const ReplayCommand& c) {
    switch (c.kind) {
        case ReplayCommandKind::Mouse:
            forwardMouse(c.button, c.buttonState, c.x, c.y);
            return true;
        case ReplayCommandKind::Motion:
            forwardMotion(c.x, c.y);
            return true;
        case ReplayCommandKind::Passive:
            forwardPassiveMotion(c.x, c.y);
            return true;
        case ReplayCommandKind::Key:
            forwardKeyboard(static_cast<unsigned char>(c.key), c.x, c.y);
            return true;
        case ReplayCommandKind::KeyUp:
            forwardKeyboardUp(static_cast<unsigned char>(c.key), c.x, c.y);
            return true;
        case ReplayCommandKind::Special:
            forwardSpecial(c.key, c.x, c.y);
            return true;
        case ReplayCommandKind::SpecialUp:
            forwardSpecialUp(c.key, c.x, c.y);
            return true;
        case ReplayCommandKind::Frames:
        case ReplayCommandKind::Reshape:
        case ReplayCommandKind::Shot:
            break;
    }
    return false;
}

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
            default:
                deliverScriptInput(c);
                ++player.next;
                break;
        }
    }
    return ScriptStep{};
}

bool nextDueStep(ScriptPlayer& player, ScriptPace& pace, double nowSeconds, ScriptStep& step, double& waitSeconds) {
    if (pace.holding) {
        step = pace.held;
        pace.holding = false;
    } else {
        step = nextScriptStep(player);
    }
    if (step.kind != ScriptStepKind::Frame) return true;
    if (!pace.started) {
        pace.started = true;
        pace.startSeconds = nowSeconds;
        pace.startClockMs = step.clockMs;
        return true;
    }
    if (pace.speed <= 0) return true;
    // Readings never run backwards, so the difference is never negative.
    const double due = pace.startSeconds + (step.clockMs - pace.startClockMs) / 1000.0 / pace.speed;
    if (nowSeconds >= due) return true;
    pace.held = step;
    pace.holding = true;
    waitSeconds = due - nowSeconds;
    return false;
}

void playScriptFrame(int clockMs) {
    // The same arithmetic as the shell's idle callback: a trace of the watched
    // game must equal the replay's to the last bit.
    elapsedMs = clockMs;
    frameDelta = static_cast<float>((clockMs - lastFrameMs) / 1000.0);
    lastFrameMs = clockMs;
    if (currentState) currentState->update();
}

bool applyScriptReshape(int width, int height) {
    if (!currentView) return false;
    const int h = width > 0 ? static_cast<int>(width * 0.75) : 0;
    if (width <= 0 || height <= 0 || h <= 0) {
        reportLine("reshape() values bad w:" + std::to_string(width) + " h:" + std::to_string(height));
        return false;
    }
    setCanvasView(width, h);
    return true;
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
