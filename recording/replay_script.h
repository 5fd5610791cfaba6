// Replay scripts: one command a line, read a command at a time so that a
// recording of any length is read in the same small memory. A script may come
// from a stranger (a recording attached to a bug report), so what it may ask
// for is bounded.
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
    long long line = 0;
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
// system takes. A script is read as it plays, so its length costs no memory;
// the one bound on it is the frames it plays, there because `frames N STEP`
// asks for any number of them in a few bytes: 2^28 frames are 51 days at 60
// frames a second, past the 24.8 days the game's clock counts, and a day of
// play at 1000 frames a second. Every recording the game writes fits.
constexpr std::size_t maxScriptLineBytes = 4096;
constexpr std::size_t maxScriptFrames = std::size_t{1} << 28;

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

// Reading a script one command at a time from text that streams in.
struct ScriptReader {
    std::streambuf* text = nullptr;
    long long lineNumber = 0;
    long long bytesRead = 0;
    int lastMs = 0;          // the clock reading of the last frame (0 before any frame)
    long long frames = 0;    // frames asked for so far
    bool wholeLine = false;  // a line that ends with a newline was read
    bool done = false;
    std::string error;   // as ReplayScript's
    std::string notice;  // as ReplayScript's
    std::string line;
    std::vector<std::string> words;
};

// The next command, or false at the end of the text or at the first bad line
// (reader.error then says which and why; the commands before it stand).
bool readScriptCommand(ScriptReader& reader, ReplayCommand& command);

// The whole script in memory, or nothing at all when a line is bad: for the
// page, which holds its recordings whole anyway, and for tests.
ReplayScript parseReplayScript(std::istream& in);

// Text from a script as a message may show it: at most `most` characters (a
// few dozen unless told), bytes that are not printable written as \xNN.
constexpr std::size_t shownScriptTextBytes = 48;
std::string shownScriptText(const std::string& text, std::size_t most = shownScriptTextBytes);
