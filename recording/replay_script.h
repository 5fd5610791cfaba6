// Replay scripts: one command a line, read whole before anything runs so that a
// bad line stops the replay with nothing applied. A script may come from a
// stranger (a recording attached to a bug report), so what it may hold is
// bounded.
#pragma once
#include <cstddef>
#include <istream>
#include <string>
#include <vector>

enum class ReplayCommandKind { Frames, Mouse, Motion, Passive, Key, KeyUp, Special, SpecialUp, Reshape, Shot, Restart };

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

// What a script may hold. A line is at most a shot with the longest path the
// system takes; the commands (72 bytes each in memory) are about nineteen
// hours of play recorded at 60 frames a second, some 300 MB at most; the line
// count bounds the comments and blank lines around them. `frames N STEP` may
// play no more frames than as many `frame` lines would: the same nineteen
// hours, and a trace of some 4 GB at most without the bacteria.
constexpr std::size_t maxScriptLineBytes = 4096;
constexpr std::size_t maxScriptCommands = std::size_t{1} << 22;
constexpr std::size_t maxScriptLines = std::size_t{1} << 24;
constexpr std::size_t maxScriptFrames = maxScriptCommands;

struct ReplayScript {
    std::vector<ReplayCommand> commands;
    // "line N..." for the first bad line, also for text without one whole
    // line, which is not a recording; empty when the script is good.
    std::string error;
    // Set when the last line has no newline: a recording cut off in the
    // middle of a line, whose last command may have lost digits. That line is
    // left out, and this says so.
    std::string notice;
};

ReplayScript parseReplayScript(std::istream& in);

// Reads and parses the script in the file `name` ("-": standard input). A file
// that cannot be read (missing, a folder, a read error, standard input closed)
// gives an error that names it; nothing is played.
ReplayScript readReplayScriptFile(const std::string& name);

// Text from a script as a message may show it: at most `most` characters (a
// few dozen unless told), bytes that are not printable written as \xNN.
constexpr std::size_t shownScriptTextBytes = 48;
std::string shownScriptText(const std::string& text, std::size_t most = shownScriptTextBytes);
