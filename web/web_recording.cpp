// The browser's recording and trace live in the session's own lines, never
// taken away: the recording is the whole game so far. Both are bounded: a game
// longer than about ten hours stops being recorded, says so once (on the page
// too, beside the mouth), and what was recorded until then stays whole and
// playable. A trace nobody takes is dropped the same way.
#include "web/web_recording.h"

#include <emscripten/emscripten.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/view.h"
#include "gfx/diagnostic.h"
#include "recording/script_lines.h"
#include "session/session.h"
#include "session/watch.h"

namespace {

constexpr std::size_t mostRecordingBytes = 32u << 20;
constexpr std::size_t mostTraceBytes = 64u << 20;
constexpr double fastestSpeed = 1000;
constexpr double slowestSpeed = 0.01;  // below it, a watch would barely move

Session* pageSession = nullptr;
std::string taken;  // the trace lines the page took last

// A plain decimal number from slowestSpeed to fastestSpeed, or 0 for as fast
// as the machine goes, as on the desktop; false for anything else.
bool readSpeed(const char* text, double& speed) {
    if (!*text || std::strlen(text) > 12 || std::strspn(text, "0123456789.") != std::strlen(text)) return false;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (*end != '\0' || (value != 0 && value < slowestSpeed) || value > fastestSpeed) return false;
    speed = value;
    return true;
}

// A fault the game stops on, in the mouth's place.
void showOnPage(const std::string& line) {
    EM_ASM(
        {
            if (typeof showMessage == 'function') showMessage(UTF8ToString($0));
        },
        line.c_str());
}

// A line the player must see while the game goes on, beside the mouth.
void noteOnPage(const std::string& line) {
    EM_ASM(
        {
            if (typeof showNotice == 'function') showNotice(UTF8ToString($0));
        },
        line.c_str());
}

}  // namespace

BrowserArguments readBrowserArguments(int argc, char** argv) {
    BrowserArguments arguments;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--trace") == 0) {
            arguments.tracing = true;
        } else if (std::strcmp(a, "--no-draw") == 0) {
            arguments.drawing = false;
        } else if (std::strcmp(a, "--play") == 0 && i + 1 < argc) {
            arguments.watchPath = argv[++i];
        } else if (std::strcmp(a, "--speed") == 0 && i + 1 < argc) {
            if (!readSpeed(argv[++i], arguments.speed))
                reportLine(std::string("The speed ") + argv[i] +
                           " is not 0 (as fast as it goes) nor a number from 0.01 to " +
                           std::to_string(static_cast<int>(fastestSpeed)) + "; watching at 1");
        } else {
            reportLine(std::string("The page's argument ") + a + " is not one the game knows; left out");
        }
    }
    // Only a watched recording may go undrawn: a game played blind is no use.
    if (!arguments.watchPath) arguments.drawing = true;
    return arguments;
}

bool startBrowserRecording(Session& session, Watch& watch, const BrowserArguments& arguments) {
    pageSession = &session;
    session.tracing = arguments.tracing;
    session.traceBacteria = true;
    if (!arguments.watchPath) {
        session.recording = true;
        appendRecordingHeader(session.recordLines, " in a web browser, canvas " + std::to_string(canvasWidth) + " x " +
                                                       std::to_string(canvasHeight));
        return true;
    }
    watch.lastFrameStays = "on the page";
    std::string fault;
    if (!openWatch(watch, arguments.watchPath, fault)) {
        const std::string line = "The recording cannot be played: " + fault;
        reportLine(line);
        showOnPage(line);
        return false;
    }
    if (!watch.script.notice.empty()) noteOnPage(watch.script.notice);
    startWatching(session, watch, arguments.speed);
    return true;
}

void boundBrowserLines(Session& session) {
    if (session.recording && session.recordLines.size() > mostRecordingBytes) {
        // Whole lines only: the recording ends at the last one that fits.
        const std::size_t end = session.recordLines.rfind('\n', mostRecordingBytes - 1);
        session.recordLines.resize(end == std::string::npos ? 0 : end + 1);
        session.recording = false;
        const std::string line = "The recording is full (" + std::to_string(mostRecordingBytes >> 20) +
                                 " MiB): the rest of this game is not recorded; what came before can still be saved";
        reportLine(line);
        noteOnPage(line);
    }
    if (session.tracing && session.traceLines.size() > mostTraceBytes) {
        session.tracing = false;
        session.traceLines.clear();
        session.traceLines.shrink_to_fit();
        reportLine("The trace was not taken and grew past " + std::to_string(mostTraceBytes >> 20) +
                   " MiB: tracing stopped");
    }
}

// For the page: the recording so far, and the trace lines since the last call.
extern "C" EMSCRIPTEN_KEEPALIVE const char* velmoraRecordingText() {
    return pageSession ? pageSession->recordLines.c_str() : "";
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* velmoraTakeTrace() {
    taken.clear();
    if (pageSession) taken.swap(pageSession->traceLines);
    return taken.c_str();
}
