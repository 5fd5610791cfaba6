// libFuzzer target for the replay script reader: any text in, read as a
// script. A refused script must hold nothing to run and say why in one short
// printable line; a script that reads must hold only commands the runner can
// play, each within the limits the reader promises.
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <streambuf>
#include <string>

#include "recording/replay_script.h"

namespace {

// The longest message: "line N: " and a complaint quoting at most a cut-down,
// escaped piece of the line.
constexpr std::size_t longestMessage = 300;

void require(bool condition) {
    if (!condition) std::abort();
}

bool printableLine(const std::string& text) {
    for (const char c : text)
        if (c < ' ' || c > '~') return false;
    return text.size() <= longestMessage && text.rfind("line ", 0) == 0;
}

void checkCommands(const ReplayScript& script) {
    long long lastMs = 0;
    long long frames = 0;
    long long lastLine = 0;
    for (const ReplayCommand& c : script.commands) {
        require(c.line > lastLine);
        lastLine = c.line;
        switch (c.kind) {
            case ReplayCommandKind::Frames:
                require(c.count >= 0 && c.stepMs >= 0 && c.firstMs >= 0);
                frames += c.count;
                require(frames <= static_cast<long long>(maxScriptFrames));
                if (c.count > 0) {
                    // The clock never goes back, and no reading of a run passes an int.
                    require(c.firstMs >= lastMs);
                    lastMs = c.firstMs + static_cast<long long>(c.count - 1) * c.stepMs;
                    require(lastMs <= INT_MAX);
                }
                break;
            case ReplayCommandKind::Mouse:
                require(c.buttonState == 0 || c.buttonState == 1);
                break;
            case ReplayCommandKind::Key:
            case ReplayCommandKind::KeyUp:
                require(c.key >= 0 && c.key <= UCHAR_MAX);
                break;
            case ReplayCommandKind::Shot:
                require(!c.file.empty() && c.file.size() < maxScriptLineBytes);
                // A NUL would make the file written differ from the file named.
                for (const char ch : c.file) require(ch != '\0' && !std::isspace(static_cast<unsigned char>(ch)));
                break;
            case ReplayCommandKind::Motion:
            case ReplayCommandKind::Passive:
            case ReplayCommandKind::Special:
            case ReplayCommandKind::SpecialUp:
            case ReplayCommandKind::Reshape:
            case ReplayCommandKind::Restart:
                break;
        }
    }
}

}  // namespace

// The input read in place, without a copy.
struct InputText : std::streambuf {
    InputText(const std::uint8_t* data, std::size_t size) {
        char* begin = const_cast<char*>(reinterpret_cast<const char*>(data));
        setg(begin, begin, begin + size);
    }
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputText text(data, size);
    std::istream in(&text);
    const ReplayScript script = parseReplayScript(in);
    if (!script.error.empty()) {
        require(script.commands.empty() && script.notice.empty());
        require(printableLine(script.error));
        return 0;
    }
    if (!script.notice.empty()) require(printableLine(script.notice));
    checkCommands(script);
    return 0;
}
