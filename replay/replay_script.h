// Replay scripts: one command a line, read whole before anything runs so that a
// bad line stops the replay with nothing applied. Also the window that the
// replay's stand-in for GLUT keeps: its clock reading and its size.
#pragma once
#include <istream>
#include <string>
#include <vector>

enum class ReplayCommandKind { Frames, Mouse, Motion, Passive, Key, KeyUp, Special, SpecialUp, Reshape, Shot };

// `frame MS` is a run of one frame; `frames N STEP` a run of N. The readings of
// a run are firstMs, firstMs + stepMs, ... (count of them).
struct ReplayCommand {
    ReplayCommandKind kind = ReplayCommandKind::Frames;
    int line = 0;
    int firstMs = 0;
    int stepMs = 0;
    int count = 0;
    int button = 0;
    int buttonState = 0;
    int x = 0;    // also the reshape width
    int y = 0;    // also the reshape height
    int key = 0;  // a byte (0..255) for Key and KeyUp, GLUT's code for Special and SpecialUp
    std::string file;
};

// The largest window side a script may ask for; bigger targets would only eat memory.
constexpr int maxReplayWindowSide = 4096;

struct ReplayScript {
    std::vector<ReplayCommand> commands;
    std::string error;  // "line N: ..." for the first bad line; empty when the script is good
};

ReplayScript parseReplayScript(std::istream& in);

struct OffscreenContext;

// What the replay's stand-in for GLUT answers and acts on: the clock reading of
// the current frame, the window size last asked for, and the drawing target
// that a buffer swap finishes.
struct ReplayWindow {
    int clockMs = 0;
    int width = 800;
    int height = 600;
    OffscreenContext* target = nullptr;
};

extern ReplayWindow replayWindow;
