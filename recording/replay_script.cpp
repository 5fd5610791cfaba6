// Script parsing. Every number is a whole decimal number in int range; each
// command checks its own limits, so the runner never meets a value it cannot
// play. Whatever the game can receive from GLUT, a script can hold, so every
// recording plays back; what only a script could ask for is refused here.
#include "recording/replay_script.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

struct Syntax {
    const char* name;
    ReplayCommandKind kind;
    int arguments;
    const char* usage;
};

constexpr Syntax syntaxes[] = {
    {"frame", ReplayCommandKind::Frames, 1, "frame MS"},
    {"frames", ReplayCommandKind::Frames, 2, "frames N STEP"},
    {"mouse", ReplayCommandKind::Mouse, 4, "mouse BUTTON STATE X Y"},
    {"motion", ReplayCommandKind::Motion, 2, "motion X Y"},
    {"passive", ReplayCommandKind::Passive, 2, "passive X Y"},
    {"key", ReplayCommandKind::Key, 3, "key K X Y"},
    {"keycode", ReplayCommandKind::Key, 3, "keycode N X Y"},
    {"keyup", ReplayCommandKind::KeyUp, 3, "keyup N X Y"},
    {"special", ReplayCommandKind::Special, 3, "special N X Y"},
    {"specialup", ReplayCommandKind::SpecialUp, 3, "specialup N X Y"},
    {"reshape", ReplayCommandKind::Reshape, 2, "reshape W H"},
    {"shot", ReplayCommandKind::Shot, 1, "shot FILE"},
    {"restart", ReplayCommandKind::Restart, 0, "restart"},
};

// Thrown only inside this file, to leave a line at its first fault.
struct LineFault {
    std::string text;
};

int wholeNumber(const std::string& token, const char* what) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(token.c_str(), &end, 10);
    if (end == token.c_str() || *end != '\0')
        throw LineFault{std::string(what) + " \"" + shownScriptText(token) + "\" is not a whole number"};
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        throw LineFault{std::string(what) + " " + shownScriptText(token) + " is too large"};
    return static_cast<int>(value);
}

int numberWithin(const std::string& token, const char* what, int low, int high) {
    const int value = wholeNumber(token, what);
    if (value < low || value > high)
        throw LineFault{std::string(what) + " " + shownScriptText(token) + " is outside " + std::to_string(low) + ".." +
                        std::to_string(high)};
    return value;
}

// Words between white space (space, tab, carriage return, vertical tab, form
// feed), split by hand: a long recording has millions of lines.
void splitWords(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && space(line[at])) ++at;
        const std::size_t start = at;
        while (at < line.size() && !space(line[at])) ++at;
        if (at > start) words.emplace_back(line, start, at - start);
    }
}

ReplayCommand parseCommand(const std::vector<std::string>& words, ScriptReader& soFar) {
    int& lastMs = soFar.lastMs;
    const Syntax* syntax = nullptr;
    for (const Syntax& s : syntaxes)
        if (words[0] == s.name) syntax = &s;
    if (!syntax) throw LineFault{"unknown command \"" + shownScriptText(words[0]) + "\""};
    const int given = static_cast<int>(words.size()) - 1;
    if (given != syntax->arguments)
        throw LineFault{std::string("expected \"") + syntax->usage + "\" (" + std::to_string(syntax->arguments) +
                        (syntax->arguments == 1 ? " argument" : " arguments") + "), got " + std::to_string(given)};

    ReplayCommand c;
    c.kind = syntax->kind;
    switch (c.kind) {
        case ReplayCommandKind::Frames:
            if (words[0] == "frame") {
                c.count = 1;
                c.firstMs = numberWithin(words[1], "MS", 0, INT_MAX);
                // GLUT's clock never runs backwards.
                if (c.firstMs < lastMs)
                    throw LineFault{"MS " + shownScriptText(words[1]) + " is before the last reading " +
                                    std::to_string(lastMs)};
            } else {
                c.count = numberWithin(words[1], "N", 0, INT_MAX);
                c.stepMs = numberWithin(words[2], "STEP", 0, INT_MAX);
                const long long lastReading = lastMs + static_cast<long long>(c.count) * c.stepMs;
                if (lastReading > INT_MAX) throw LineFault{"the clock would pass " + std::to_string(INT_MAX) + " ms"};
                c.firstMs = c.count > 0 ? lastMs + c.stepMs : lastMs;
            }
            // One short line may ask for billions of frames: hours of work and
            // terabytes of trace from a few bytes.
            if (soFar.frames + c.count > static_cast<long long>(maxScriptFrames))
                throw LineFault{"a script plays at most " + std::to_string(maxScriptFrames) +
                                " frames; this line brings it to " + std::to_string(soFar.frames + c.count)};
            soFar.frames += c.count;
            if (c.count > 0) lastMs = c.firstMs + (c.count - 1) * c.stepMs;
            break;
        case ReplayCommandKind::Mouse:
            // freeglut hands on every X button: the wheel as 3 and 4, sideways
            // scrolling and side buttons as 5 and up.
            c.button = wholeNumber(words[1], "BUTTON");
            c.buttonState = numberWithin(words[2], "STATE", 0, 1);
            c.x = wholeNumber(words[3], "X");
            c.y = wholeNumber(words[4], "Y");
            break;
        case ReplayCommandKind::Motion:
        case ReplayCommandKind::Passive:
            c.x = wholeNumber(words[1], "X");
            c.y = wholeNumber(words[2], "Y");
            break;
        case ReplayCommandKind::Key:
        case ReplayCommandKind::KeyUp:
        case ReplayCommandKind::Special:
        case ReplayCommandKind::SpecialUp:
            if (words[0] == "key") {
                if (words[1].size() != 1 || words[1][0] < '!' || words[1][0] > '~')
                    throw LineFault{"K \"" + shownScriptText(words[1]) + "\" is not one printable character"};
                c.key = static_cast<unsigned char>(words[1][0]);
            } else if (c.kind == ReplayCommandKind::Key || c.kind == ReplayCommandKind::KeyUp) {
                c.key = numberWithin(words[1], "N", 0, UCHAR_MAX);
            } else {
                // Whatever code GLUT hands the game, so a recording always plays back.
                c.key = wholeNumber(words[1], "N");
            }
            c.x = wholeNumber(words[2], "X");
            c.y = wholeNumber(words[3], "Y");
            break;
        case ReplayCommandKind::Reshape:
            // Sizes the game refuses (zero, negative, too large) are allowed: the
            // game reports them itself, in the replay as in the window.
            c.x = wholeNumber(words[1], "W");
            c.y = wholeNumber(words[2], "H");
            break;
        case ReplayCommandKind::Shot:
            // The system would stop the name at a NUL and write another file.
            if (words[1].find('\0') != std::string::npos)
                throw LineFault{"FILE \"" + shownScriptText(words[1]) + "\" holds a NUL byte"};
            c.file = words[1];
            break;
        case ReplayCommandKind::Restart:  // a new game, as the player asked for one
            break;
    }
    return c;
}

enum class LineEnd { Newline, EndOfText, TooLong };

// One line without its newline, never more than maxScriptLineBytes of it, so
// that a file without newlines (/dev/zero) cannot fill the memory.
LineEnd readLine(std::streambuf& in, std::string& line, long long& bytesRead) {
    line.clear();
    for (;;) {
        const int c = in.sbumpc();
        if (c == std::char_traits<char>::eof()) return LineEnd::EndOfText;
        ++bytesRead;
        if (c == '\n') return LineEnd::Newline;
        if (line.size() == maxScriptLineBytes) return LineEnd::TooLong;
        line.push_back(static_cast<char>(c));
    }
}

bool stop(ScriptReader& reader, std::string error) {
    reader.done = true;
    reader.error = std::move(error);
    return false;
}

}  // namespace

std::string shownScriptText(const std::string& text, std::size_t most) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < most; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= ' ' && c <= '~') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    if (text.size() > most) out += "...";
    return out;
}

bool readScriptCommand(ScriptReader& reader, ReplayCommand& command) {
    if (reader.done || !reader.text) return false;
    for (;;) {
        const LineEnd end = readLine(*reader.text, reader.line, reader.bytesRead);
        if (end == LineEnd::EndOfText && reader.line.empty()) break;
        ++reader.lineNumber;
        if (end == LineEnd::Newline) reader.wholeLine = true;
        const auto where = [&] { return "line " + std::to_string(reader.lineNumber) + ": "; };
        if (end == LineEnd::TooLong)
            return stop(reader, where() + "longer than " + std::to_string(maxScriptLineBytes) + " bytes");
        splitWords(reader.line, reader.words);
        if (reader.words.empty() || reader.words[0][0] == '#') continue;
        if (end == LineEnd::EndOfText) {
            // A write cut short leaves the last line without its end, and
            // perhaps without its last digits: play only the whole lines.
            reader.notice = "line " + std::to_string(reader.lineNumber) +
                            " has no newline, as a recording cut off while being written; "
                            "it was left out and the script played up to line " +
                            std::to_string(reader.lineNumber - 1);
            break;
        }
        try {
            command = parseCommand(reader.words, reader);
            command.line = reader.lineNumber;
            return true;
        } catch (const LineFault& fault) {
            return stop(reader, where() + fault.text);
        }
    }
    reader.done = true;
    // Every line the game writes ends with a newline, and its first is written
    // out at once: a file without one whole line (an empty file, a web page
    // saved on one line) was never a recording, and plays as nothing at all.
    if (!reader.wholeLine) {
        reader.notice.clear();
        reader.error = reader.lineNumber == 0 ? "line 1 is missing: an empty text is not a recording"
                                              : "line 1 has no newline: not a recording";
    }
    return false;
}

ReplayScript parseReplayScript(std::istream& in) {
    ReplayScript script;
    ScriptReader reader;
    reader.text = in.rdbuf();
    if (!reader.text) return script;
    for (ReplayCommand c; readScriptCommand(reader, c);) script.commands.push_back(std::move(c));
    if (!reader.error.empty()) {
        script.commands.clear();
        script.commands.shrink_to_fit();
        script.error = reader.error;
        return script;
    }
    script.notice = reader.notice;
    return script;
}
