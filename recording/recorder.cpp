// The recorder sits between GLUT and the shell, so it writes down exactly the
// values the game receives. The trace line of a frame is taken as soon as the
// frame's update is over: GLUT may deliver input before it displays the frame,
// and the replay, which plays that input after the frame, traces before it.
#include "recording/recorder.h"

#include <cstdio>
#include <cstdlib>

#include "recording/game_trace.h"
#include "recording/line_file.h"
#include "session/frame_loop.h"
#include "core/version.h"
#include "core/frame_clock.h"
#include "core/state.h"
#include "core/view.h"

namespace {

struct Recorder {
    LineFile script;
    LineFile trace;
    const GameState* game = nullptr;
    long long frame = 0;

    // Run at exit, also when GLUT ends the process from inside its loop.
    ~Recorder() { stopRecording(); }
};

Recorder recorder;

// One script line from a printf format that ends it with a newline.
template <typename... Values>
void writeScriptLine(const char* format, Values... values) {
    if (!isOpen(recorder.script)) return;
    char line[96];
    const int length = std::snprintf(line, sizeof line, format, values...);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof line) return;  // every format here fits
    recorder.script.pending.append(line, static_cast<std::size_t>(length));
    linesAdded(recorder.script);
}

// The replay script's `key` takes one printable character; any other byte
// goes by its number.
bool printable(unsigned char key) { return key >= '!' && key <= '~'; }

}  // namespace

void startRecording(const std::string& recordPath, const std::string& tracePath, const GameState& game) {
    recorder.game = &game;
    recorder.frame = 0;
    if (!recordPath.empty() && openLineFile(recorder.script, recordPath, "recording")) {
        writeScriptLine("# velmora %s, window %d x %d\n", velmoraVersion, canvasWidth, canvasHeight);
        writeOutLines(recorder.script);
    }
    if (!tracePath.empty()) openLineFile(recorder.trace, tracePath, "trace");
}

void stopRecording() {
    closeLineFile(recorder.script);
    closeLineFile(recorder.trace);
}

void recordIdle() {
    onIdle();
    // The reading the update just ran with; nothing else reaches the game
    // between the two.
    writeScriptLine("frame %d\n", elapsedMs);
    if (isOpen(recorder.trace) && recorder.game) {
        appendTraceLine(recorder.trace.pending, ++recorder.frame, *recorder.game, false);
        linesAdded(recorder.trace);
    }
}

// Every reshape the callback gets is written down, also the one GLUT sends
// back after the shell asked for the 4:3 size: the replay asks for the size
// without receiving it again, so it must read that second reshape too.
void recordReshape(int width, int height) {
    writeScriptLine("reshape %d %d\n", width, height);
    onReshape(width, height);
}

void recordCanvasSize(int width, int height) { writeScriptLine("reshape %d %d\n", width, height); }

void recordMouse(int button, int state, int x, int y) {
    writeScriptLine("mouse %d %d %d %d\n", button, state, x, y);
    forwardMouse(button, state, x, y);
}

void recordMotion(int x, int y) {
    writeScriptLine("motion %d %d\n", x, y);
    forwardMotion(x, y);
}

void recordPassiveMotion(int x, int y) {
    writeScriptLine("passive %d %d\n", x, y);
    forwardPassiveMotion(x, y);
}

void recordKeyboard(unsigned char key, int x, int y) {
    if (printable(key))
        writeScriptLine("key %c %d %d\n", key, x, y);
    else
        writeScriptLine("keycode %d %d %d\n", key, x, y);
    forwardKeyboard(key, x, y);
}

void recordKeyboardUp(unsigned char key, int x, int y) {
    writeScriptLine("keyup %d %d %d\n", key, x, y);
    forwardKeyboardUp(key, x, y);
}

void recordSpecial(int key, int x, int y) {
    writeScriptLine("special %d %d %d\n", key, x, y);
    forwardSpecial(key, x, y);
}

void recordSpecialUp(int key, int x, int y) {
    writeScriptLine("specialup %d %d %d\n", key, x, y);
    forwardSpecialUp(key, x, y);
}
