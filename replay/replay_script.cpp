// Script parsing. Every number is a whole decimal number in int range; each
// command checks its own limits, so the runner never meets a value it cannot play.
#include "replay/replay_script.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>

namespace {

constexpr int maxMouseButton = 4;  // freeglut reports the wheel as buttons 3 and 4

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
        throw LineFault{std::string(what) + " \"" + token + "\" is not a whole number"};
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        throw LineFault{std::string(what) + " " + token + " is too large"};
    return static_cast<int>(value);
}

int numberWithin(const std::string& token, const char* what, int low, int high) {
    const int value = wholeNumber(token, what);
    if (value < low || value > high)
        throw LineFault{std::string(what) + " " + token + " is outside " + std::to_string(low) + ".." +
                        std::to_string(high)};
    return value;
}

std::vector<std::string> tokens(const std::string& line) {
    std::istringstream words(line);
    std::vector<std::string> out;
    for (std::string word; words >> word;) out.push_back(word);
    return out;
}

// lastMs is the clock reading of the last frame so far (0 before any frame).
ReplayCommand parseCommand(const std::vector<std::string>& words, int& lastMs) {
    const Syntax* syntax = nullptr;
    for (const Syntax& s : syntaxes)
        if (words[0] == s.name) syntax = &s;
    if (!syntax) throw LineFault{"unknown command \"" + words[0] + "\""};
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
                    throw LineFault{"MS " + words[1] + " is before the last reading " + std::to_string(lastMs)};
            } else {
                c.count = numberWithin(words[1], "N", 0, INT_MAX);
                c.stepMs = numberWithin(words[2], "STEP", 0, INT_MAX);
                const long long lastReading = lastMs + static_cast<long long>(c.count) * c.stepMs;
                if (lastReading > INT_MAX) throw LineFault{"the clock would pass " + std::to_string(INT_MAX) + " ms"};
                c.firstMs = c.count > 0 ? lastMs + c.stepMs : lastMs;
            }
            if (c.count > 0) lastMs = c.firstMs + (c.count - 1) * c.stepMs;
            break;
        case ReplayCommandKind::Mouse:
            c.button = numberWithin(words[1], "BUTTON", 0, maxMouseButton);
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
                    throw LineFault{"K \"" + words[1] + "\" is not one printable character"};
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
            // Sizes the game refuses (zero, negative) are allowed: the game reports them itself.
            c.x = numberWithin(words[1], "W", -maxReplayWindowSide, maxReplayWindowSide);
            c.y = numberWithin(words[2], "H", -maxReplayWindowSide, maxReplayWindowSide);
            break;
        case ReplayCommandKind::Shot:
            c.file = words[1];
            break;
    }
    return c;
}

}  // namespace

ReplayScript parseReplayScript(std::istream& in) {
    ReplayScript script;
    int lastMs = 0;
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        const std::vector<std::string> words = tokens(line);
        if (words.empty() || words[0][0] == '#') continue;
        try {
            ReplayCommand c = parseCommand(words, lastMs);
            c.line = lineNumber;
            script.commands.push_back(c);
        } catch (const LineFault& fault) {
            script.commands.clear();
            script.error = "line " + std::to_string(lineNumber) + ": " + fault.text;
            return script;
        }
    }
    return script;
}
