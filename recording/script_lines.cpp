// Each line is formatted into a small buffer on the stack: recording a game
// allocates nothing per event beyond the growth of the text it goes into.
#include "recording/script_lines.h"

#include <cstdio>

#include "core/version.h"

namespace {

template <typename... Values>
void appendFormatted(std::string& out, const char* format, Values... values) {
    char line[64];
    const int length = std::snprintf(line, sizeof line, format, values...);
    if (length > 0 && static_cast<std::size_t>(length) < sizeof line)
        out.append(line, static_cast<std::size_t>(length));
}

// The script's `key` takes one printable character; any other byte goes by its number.
bool printable(int key) { return key >= '!' && key <= '~'; }

}  // namespace

void appendScriptLine(std::string& out, const ReplayCommand& c) {
    switch (c.kind) {
        case ReplayCommandKind::Frames:
            if (c.count == 1)
                appendFormatted(out, "frame %d\n", c.firstMs);
            else
                appendFormatted(out, "frames %d %d\n", c.count, c.stepMs);
            return;
        case ReplayCommandKind::Mouse:
            appendFormatted(out, "mouse %d %d %d %d\n", c.button, c.buttonState, c.x, c.y);
            return;
        case ReplayCommandKind::Motion:
            appendFormatted(out, "motion %d %d\n", c.x, c.y);
            return;
        case ReplayCommandKind::Passive:
            appendFormatted(out, "passive %d %d\n", c.x, c.y);
            return;
        case ReplayCommandKind::Key:
            if (printable(c.key))
                appendFormatted(out, "key %c %d %d\n", static_cast<char>(c.key), c.x, c.y);
            else
                appendFormatted(out, "keycode %d %d %d\n", c.key, c.x, c.y);
            return;
        case ReplayCommandKind::KeyUp:
            appendFormatted(out, "keyup %d %d %d\n", c.key, c.x, c.y);
            return;
        case ReplayCommandKind::Special:
            appendFormatted(out, "special %d %d %d\n", c.key, c.x, c.y);
            return;
        case ReplayCommandKind::SpecialUp:
            appendFormatted(out, "specialup %d %d %d\n", c.key, c.x, c.y);
            return;
        case ReplayCommandKind::Reshape:
            appendFormatted(out, "reshape %d %d\n", c.x, c.y);
            return;
        case ReplayCommandKind::Restart:
            out += "restart\n";
            return;
        case ReplayCommandKind::Shot:
            return;
    }
}

void appendRecordingHeader(std::string& out, const std::string& madeWhere) {
    out += std::string("# velmora ") + velmoraVersion + madeWhere + "\n";
}
