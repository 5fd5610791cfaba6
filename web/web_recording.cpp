// The browser's recorder, watcher and trace. The recording is held in memory
// and bounded: a game longer than about ten hours stops being recorded, says
// so once, and what was recorded until then stays whole and playable. A trace
// nobody takes is bounded the same way.
#include "web/web_recording.h"

#include <GL/glut.h>
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "session/frame_loop.h"
#include "core/frame_clock.h"
#include "core/state.h"
#include "core/version.h"
#include "core/view.h"
#include "game/game_state.h"
#include "gfx/diagnostic.h"
#include "recording/game_trace.h"
#include "recording/script_player.h"

namespace {

constexpr std::size_t mostRecordingBytes = 32u << 20;
constexpr std::size_t mostTraceBytes = 64u << 20;
constexpr double fastestSpeed = 1000;
// Frames played in one idle call at most, in wall time; without drawing a
// longer stretch, since nobody watches and the page still answers between.
constexpr double longestStepping = 1.0 / 60;
constexpr double longestSteppingUndrawn = 0.05;

struct BrowserRecording {
    const GameState* game = nullptr;
    std::string text;  // the recording so far
    bool recording = false;

    bool tracing = false;
    std::string trace;  // trace lines not yet taken
    std::string taken;  // the lines the page took last
    long long frames = 0;

    const char* watchPath = nullptr;
    double speed = 1;
    bool drawing = true;
    bool watching = false;
    bool ended = false;
    ReplayScript script;
    ScriptPlayer player;
    ScriptPace pace;
};

BrowserRecording browser;

template <typename... Values>
void writeLine(const char* format, Values... values) {
    if (!browser.recording) return;
    char line[96];
    const int length = std::snprintf(line, sizeof line, format, values...);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof line) return;  // every format here fits
    if (browser.text.size() + static_cast<std::size_t>(length) > mostRecordingBytes) {
        browser.recording = false;
        reportLine("The recording is full (" + std::to_string(mostRecordingBytes >> 20) +
                   " MiB): the rest of this game is not recorded; what came before can still be saved");
        return;
    }
    browser.text.append(line, static_cast<std::size_t>(length));
}

// After each frame's update, as the desktop recorder takes its trace.
void frameDone() {
    ++browser.frames;
    if (!browser.tracing) return;
    appendTraceLine(browser.trace, browser.frames, *browser.game, true);
    if (browser.trace.size() > mostTraceBytes) {
        browser.tracing = false;
        browser.trace.clear();
        browser.trace.shrink_to_fit();
        reportLine("The trace was not taken and grew past " + std::to_string(mostTraceBytes >> 20) +
                   " MiB: tracing stopped");
    }
}

double secondsNow() { return emscripten_get_now() / 1000.0; }

// While watching, the canvas's store holds the game's view pixel for pixel,
// up to the page's own cap on the store (a wider view is drawn scaled down
// into it); the page sizes the canvas's box, so the picture is the recorded
// one, only scaled, on any screen. A recording may reshape every frame, and
// a new store costs the browser a new drawing buffer, so the store follows
// the view once a drawn frame, in the display, however many reshapes came.
constexpr int widestWatchedStore = 1600;

void showWatchedCanvas() {
    const int width = std::min(currentView->width, widestWatchedStore);
    const int height = static_cast<int>(static_cast<long long>(currentView->height) * width / currentView->width);
    EM_ASM(
        {
            var canvas = Module['canvas'];
            if (canvas.width != $0) canvas.width = $0;
            if (canvas.height != $1) canvas.height = $1;
        },
        width, height);
    glViewport(0, 0, width, height);
}

void endWatching() {
    browser.ended = true;
    reportLine("The recording ended after " + std::to_string(browser.frames) +
               " frames; its last frame stays on the page");
}

void watchIdle() {
    if (browser.ended) return;
    const double began = secondsNow();
    const double longest = browser.drawing ? longestStepping : longestSteppingUndrawn;
    bool played = false;
    for (;;) {
        const double now = secondsNow();
        if (played && now - began >= longest) break;
        ScriptStep step;
        double waitSeconds = 0;
        if (!nextDueStep(browser.player, browser.pace, now, step, waitSeconds)) break;
        if (step.kind == ScriptStepKind::End) {
            endWatching();
            break;
        }
        if (step.kind == ScriptStepKind::Frame) {
            playScriptFrame(step.clockMs);
            frameDone();
            played = true;
        } else if (step.kind == ScriptStepKind::Reshape) {
            applyScriptReshape(step.command->x, step.command->y);
        }
        // Shots are skipped: watching writes nothing the recording names.
    }

}

void recordedIdle() {
    onIdle();
    // The reading the update just ran with, as the desktop recorder writes it.
    writeLine("frame %d\n", elapsedMs);
    frameDone();
}

void browserPassiveMotion(int x, int y) {
    if (browser.watching) return;
    writeLine("passive %d %d\n", x, y);
    forwardPassiveMotion(x, y);
}

void browserKeyboard(unsigned char key, int x, int y) {
    if (browser.watching) return;
    // A script's `key` takes one printable character; any other byte goes by its number.
    if (key >= '!' && key <= '~')
        writeLine("key %c %d %d\n", key, x, y);
    else
        writeLine("keycode %d %d %d\n", key, x, y);
    forwardKeyboard(key, x, y);
}

void browserKeyboardUp(unsigned char key, int x, int y) {
    if (browser.watching) return;
    writeLine("keyup %d %d %d\n", key, x, y);
    forwardKeyboardUp(key, x, y);
}

void browserSpecial(int key, int x, int y) {
    if (browser.watching) return;
    writeLine("special %d %d %d\n", key, x, y);
    forwardSpecial(key, x, y);
}

void browserSpecialUp(int key, int x, int y) {
    if (browser.watching) return;
    writeLine("specialup %d %d %d\n", key, x, y);
    forwardSpecialUp(key, x, y);
}

// A plain decimal number above 0 and up to fastestSpeed, or 0 for as fast as
// the machine goes; false for anything else.
bool readSpeed(const char* text, double& speed) {
    if (!*text || std::strlen(text) > 12 || std::strspn(text, "0123456789.") != std::strlen(text)) return false;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (*end != '\0' || value < 0 || value > fastestSpeed) return false;
    speed = value;
    return true;
}

}  // namespace

// The visitor's input reaches a recorded game only: a watched one is the recording's.
void browserMouse(int button, int state, int x, int y) {
    if (browser.watching) return;
    writeLine("mouse %d %d %d %d\n", button, state, x, y);
    forwardMouse(button, state, x, y);
}

void browserMotion(int x, int y) {
    if (browser.watching) return;
    writeLine("motion %d %d\n", x, y);
    forwardMotion(x, y);
}

void browserIdle() {
    if (browser.watching)
        watchIdle();
    else
        recordedIdle();
}

void browserDisplay() {
    if (!browser.drawing) return;
    if (browser.watching) showWatchedCanvas();
    onDisplay();
}

void readBrowserArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--trace") == 0) {
            browser.tracing = true;
        } else if (std::strcmp(a, "--no-draw") == 0) {
            browser.drawing = false;
        } else if (std::strcmp(a, "--play") == 0 && i + 1 < argc) {
            browser.watchPath = argv[++i];
        } else if (std::strcmp(a, "--speed") == 0 && i + 1 < argc) {
            if (!readSpeed(argv[++i], browser.speed))
                reportLine(std::string("The speed ") + argv[i] + " is not a number from 0 (as fast as it goes) to " +
                           std::to_string(static_cast<int>(fastestSpeed)) + "; watching at 1");
        } else {
            reportLine(std::string("The page's argument ") + a + " is not one the game knows; left out");
        }
    }
    // Only a watched recording may go undrawn: a game played blind is no use.
    if (!browser.watchPath) browser.drawing = true;
}

void useRecordingCallbacks() {
    glutMouseFunc(browserMouse);
    glutMotionFunc(browserMotion);
    glutPassiveMotionFunc(browserPassiveMotion);
    glutKeyboardFunc(browserKeyboard);
    glutKeyboardUpFunc(browserKeyboardUp);
    glutSpecialFunc(browserSpecial);
    glutSpecialUpFunc(browserSpecialUp);
}

bool startBrowserRecording(const GameState& game) {
    browser.game = &game;
    if (!browser.watchPath) {
        browser.recording = true;
        writeLine("# velmora %s in a web browser, canvas %d x %d\n", velmoraVersion, canvasWidth, canvasHeight);
        return true;
    }
    std::string fault;
    if (!readWatchedRecording(browser.watchPath, browser.script, fault)) {
        const std::string line = "The recording cannot be played: " + fault;
        reportLine(line);
        EM_ASM(
            {
                if (typeof showMessage == 'function') showMessage(UTF8ToString($0));
            },
            line.c_str());
        return false;
    }
    browser.watching = true;
    browser.player.script = &browser.script;
    browser.pace.speed = browser.speed;
    // The view of the window the game was recorded in, before the recording's
    // own reshapes, as the replay starts.
    applyScriptReshape(canvasWidth, canvasHeight);
    return true;
}

void browserReshape(int width, int height) {
    // The page resizes the canvas's box; its store stays the recorded view.
    if (browser.watching) return;
    writeLine("reshape %d %d\n", width, height);
    onReshape(width, height);
}

// For the page: the recording so far, the trace lines since the last call,
// and whether a watched recording has ended.
extern "C" EMSCRIPTEN_KEEPALIVE const char* velmoraRecordingText() { return browser.text.c_str(); }

extern "C" EMSCRIPTEN_KEEPALIVE const char* velmoraTakeTrace() {
    browser.taken.swap(browser.trace);
    browser.trace.clear();
    return browser.taken.c_str();
}

extern "C" EMSCRIPTEN_KEEPALIVE int velmoraWatchEnded() { return browser.ended ? 1 : 0; }
