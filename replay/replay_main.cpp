// velmora-replay: the game without a window, driven by a script. It starts as
// the game does, plays the script's frames and input through the same
// callbacks, and writes one trace line per frame on standard output. With
// --no-draw it draws only what a shot will see.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "replay/game_trace.h"
#include "replay/offscreen_context.h"
#include "replay/replay_script.h"
#include "replay/script_player.h"
#include "app/shell.h"
#include "core/state.h"
#include "game/game_state.h"
#include "gfx/diagnostic.h"
#include "gfx/png_writer.h"

namespace {

constexpr int badScriptStatus = 2;
constexpr int failedRunStatus = 1;
constexpr std::size_t traceFlushBytes = 1 << 16;

struct Options {
    bool withBacteria = false;
    bool drawAll = true;
    const char* scriptName = nullptr;
};

bool readOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--bacteria") == 0)
            options.withBacteria = true;
        else if (std::strcmp(argv[i], "--no-draw") == 0)
            options.drawAll = false;
        else if (options.scriptName || (argv[i][0] == '-' && argv[i][1] != '\0'))
            return false;
        else
            options.scriptName = argv[i];
    }
    return options.scriptName != nullptr;
}

bool readScript(const char* name, ReplayScript& script) {
    if (std::strcmp(name, "-") == 0) {
        script = parseReplayScript(std::cin);
    } else {
        std::ifstream file(name);
        if (!file) {
            std::fprintf(stderr, "velmora-replay: cannot read %s\n", name);
            return false;
        }
        script = parseReplayScript(file);
    }
    if (!script.error.empty()) {
        std::fprintf(stderr, "velmora-replay: %s: %s\n", name, script.error.c_str());
        return false;
    }
    return true;
}

void flushTrace(std::string& trace) {
    std::fwrite(trace.data(), 1, trace.size(), stdout);
    trace.clear();
}

// The drawing target follows the window. A window whose size changed is drawn
// again before anyone sees it, as GLUT does; that display runs no update, so
// the game is untouched.
void followWindowSize(OffscreenContext* context, int& targetWidth, int& targetHeight, bool draw) {
    if (targetWidth == replayWindow.width && targetHeight == replayWindow.height) return;
    targetWidth = replayWindow.width;
    targetHeight = replayWindow.height;
    resizeOffscreen(context, targetWidth, targetHeight);
    if (draw) onDisplay();
}

// For each command: whether a shot comes after it before the next frame. Only
// the displays of such commands can be the last display before a shot, so
// only they need drawing when nobody looks at the rest. Drawing never changes
// the game, so leaving the others out changes no trace line.
std::vector<bool> seenByAShot(const ReplayScript& script) {
    std::vector<bool> seen(script.commands.size());
    bool shotAhead = false;
    for (std::size_t i = script.commands.size(); i-- > 0;) {
        const ReplayCommand& c = script.commands[i];
        seen[i] = shotAhead;
        if (c.kind == ReplayCommandKind::Shot) shotAhead = true;
        if (c.kind == ReplayCommandKind::Frames && c.count > 0) shotAhead = false;
    }
    return seen;
}

bool writeShot(OffscreenContext* context, const std::string& file) {
    int width = 0, height = 0;
    const std::vector<unsigned char> pixels = readOffscreenPixels(context, width, height);
    return writePngFile(file.c_str(), pixels.data(), width, height);
}

int play(const ReplayScript& script, const GameState& game, OffscreenContext* context, const Options& options) {
    std::string trace;
    long long frame = 0;  // a script may hold more frames than an int counts
    int targetWidth = canvasWidth, targetHeight = canvasHeight;
    const std::vector<bool> seen = seenByAShot(script);
    ScriptPlayer player{&script};
    for (ScriptStep step = nextScriptStep(player); step.kind != ScriptStepKind::End; step = nextScriptStep(player)) {
        const bool draw = options.drawAll || seen[step.commandIndex];
        switch (step.kind) {
            case ScriptStepKind::Frame:
                replayWindow.clockMs = step.clockMs;
                onIdle();
                // Of a run, a shot can only see the last frame.
                if (options.drawAll || (draw && step.lastOfRun)) onDisplay();
                appendTraceLine(trace, ++frame, game, options.withBacteria);
                if (trace.size() >= traceFlushBytes) flushTrace(trace);
                break;
            case ScriptStepKind::Reshape:
                onReshape(step.command->x, step.command->y);
                followWindowSize(context, targetWidth, targetHeight, draw);
                break;
            case ScriptStepKind::Shot:
                if (!writeShot(context, step.command->file)) {
                    flushTrace(trace);
                    std::fprintf(stderr, "velmora-replay: line %d: shot %s failed\n", step.command->line,
                                 step.command->file.c_str());
                    return failedRunStatus;
                }
                break;
            case ScriptStepKind::End:
                break;
        }
    }
    flushTrace(trace);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!readOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: velmora-replay [--bacteria] [--no-draw] SCRIPT   (SCRIPT - reads standard input)\n");
        return badScriptStatus;
    }
    ReplayScript script;
    if (!readScript(options.scriptName, script)) return badScriptStatus;

    // Standard output carries trace lines only.
    diagnosticStream = stderr;
    OffscreenContext* context = createOffscreenContext(canvasWidth, canvasHeight);
    if (!context) return failedRunStatus;
    replayWindow.target = context;

    int status = 0;
    {
        viewSettings.perspective = 0;
        currentView = &viewSettings;
        // Built with the clock at 0, after the context, as in the game.
        GameState game;
        switchState(game);
        setFixedGlState();
        onReshape(canvasWidth, canvasHeight);
        status = play(script, game, context, options);
        currentState = nullptr;
    }
    // The context is left for the process's end to take: tearing it down
    // unloads the driver, and a leak check can then no longer tell the few
    // allocations the driver never frees from the game's own.
    std::fflush(stdout);
    return status;
}
