// Script stepping: input reaches the current state through the same forwarding
// functions the window's callbacks use, so a played script is the game played.
#include "replay/script_player.h"

#include "core/state.h"

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
