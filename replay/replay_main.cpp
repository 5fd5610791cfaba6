// velmora-replay: the game without a window, driven by a script. It starts as
// the game does, plays the script's frames and input through the same
// callbacks, and writes one trace line per frame on standard output. With
// --no-draw it draws only what a shot will see. A script may come from a
// stranger: all it can do to the machine is create new shot files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/state.h"
#include "game/game_state.h"
#include "gfx/diagnostic.h"
#include "recording/game_trace.h"
#include "recording/replay_script.h"
#include "recording/script_player.h"
#include "replay/offscreen_context.h"
#include "replay/shot_file.h"
#include "session/frame_loop.h"
#include "session/picture_folder.h"
#include "session/session.h"

namespace {

constexpr int badScriptStatus = 2;
constexpr int failedRunStatus = 1;
constexpr std::size_t traceFlushBytes = 1 << 16;
// Shots are for looking at moments: the README's five pictures, a test's
// dozen. A hundred leaves room for any such use and keeps a stranger's script
// to a hundred new files, some 35 MB at 800 x 600 and a few GB even at the
// largest window the game draws (8192 wide).
constexpr std::size_t mostShotFiles = 100;

const char* const usage =
    "usage: velmora-replay [--bacteria] [--no-draw] [--overwrite] SCRIPT   (SCRIPT - reads standard input)\n"
    "  --bacteria   list every bacterium in the trace\n"
    "  --no-draw    draw only the frames that are shot\n"
    "  --overwrite  let shots replace existing files (never through a symbolic link)\n";

struct Options {
    bool withBacteria = false;
    bool drawAll = true;
    bool overwrite = false;
    bool help = false;
    const char* scriptName = nullptr;
};

bool readOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--bacteria") == 0)
            options.withBacteria = true;
        else if (std::strcmp(argv[i], "--no-draw") == 0)
            options.drawAll = false;
        else if (std::strcmp(argv[i], "--overwrite") == 0)
            options.overwrite = true;
        else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            options.help = true;
        else if (options.scriptName || (argv[i][0] == '-' && argv[i][1] != '\0'))
            return false;
        else
            options.scriptName = argv[i];
    }
    return options.help || options.scriptName != nullptr;
}

bool descriptorOpen(int descriptor) { return ::fcntl(descriptor, F_GETFD) != -1; }

// A closed standard stream would be handed to the next file opened (a shot,
// the driver's), and trace lines would land in it.
void fillClosedStandardStreams() {
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor)
        if (!descriptorOpen(descriptor)) {
            const int opened = ::open("/dev/null", O_RDWR);
            if (opened >= 0 && opened != descriptor) ::close(opened);
        }
}

// The names of the shots as the script writes them, by command, for the messages.
using ShotNames = std::unordered_map<std::size_t, std::string>;

// Shots named relative to where the replay was started still mean that
// folder after the replay has moved into its picture folder.
ShotNames shotsFromStartFolder(ReplayScript& script) {
    ShotNames written;
    for (std::size_t i = 0; i < script.commands.size(); ++i) {
        ReplayCommand& c = script.commands[i];
        if (c.kind != ReplayCommandKind::Shot) continue;
        written[i] = c.file;
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(c.file, error);
        if (!error) c.file = absolute.lexically_normal().string();
    }
    return written;
}

void reportShot(const ReplayCommand& c, const std::string& written, const std::string& why) {
    std::fprintf(stderr, "velmora-replay: line %d: shot %s %s\n", c.line,
                 shownScriptText(written, written.size()).c_str(), why.c_str());
}

// Before the first frame: no shot may replace a file or follow a link, nor
// replace an earlier shot of the same script, and no script creates more than
// mostShotFiles files.
bool shotsAreSafe(const ReplayScript& script, const ShotNames& written, bool overwrite) {
    std::unordered_map<std::string, int> earlier;  // file, the line of its first shot
    for (std::size_t i = 0; i < script.commands.size(); ++i) {
        const ReplayCommand& c = script.commands[i];
        if (c.kind != ReplayCommandKind::Shot) continue;
        const ShotOutcome outcome = checkShotTarget(c.file, overwrite);
        if (outcome.result == ShotResult::Refused) {
            reportShot(c, written.at(i), outcome.reason);
            return false;
        }
        const auto [first, added] = earlier.emplace(c.file, c.line);
        if (!overwrite && first->second != c.line) {
            reportShot(c, written.at(i),
                       "would replace the shot of line " + std::to_string(first->second) + " (--overwrite allows it)");
            return false;
        }
        if (added && earlier.size() > mostShotFiles) {
            reportShot(c, written.at(i),
                       "would be file " + std::to_string(earlier.size()) + ": a script writes at most " +
                           std::to_string(mostShotFiles) + " shot files");
            return false;
        }
    }
    return true;
}

// Where the trace goes. On a regular file (standard output sent to a file)
// the end of the last whole line written is kept, so that a write cut short
// by a full disk can be cut back to it, and no reader meets a half line.
struct TraceOutput {
    bool regular = false;
    long long wholeLines = 0;  // where the last whole line written ends
};

TraceOutput openTraceOutput() {
    TraceOutput output;
    struct stat status {};
    output.regular = ::fstat(STDOUT_FILENO, &status) == 0 && S_ISREG(status.st_mode);
    if (!output.regular) return output;
    // Appending (>>) writes at the end whatever the offset says.
    const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
    const off_t at = ::lseek(STDOUT_FILENO, 0, SEEK_CUR);
    output.wholeLines = (flags >= 0 && (flags & O_APPEND)) || at < 0 ? status.st_size : at;
    return output;
}

// Cuts the file back to its last whole line, never lengthening it; the
// words for the failure's line.
std::string cutBackToWholeLines(const TraceOutput& output) {
    struct stat status {};
    if (!output.regular || ::fstat(STDOUT_FILENO, &status) != 0 || status.st_size <= output.wholeLines) return "";
    if (::ftruncate(STDOUT_FILENO, static_cast<off_t>(output.wholeLines)) == 0)
        return "; it ends at its last whole line";
    return "; it ends in a cut line (" + std::string(std::strerror(errno)) + ")";
}

// False, after one line, when the trace cannot be written (a full disk, a
// closed or full standard output): a replay that lost trace lines failed.
// The buffer holds whole lines only.
bool flushTrace(std::string& trace, TraceOutput& output) {
    std::size_t done = 0;
    int error = 0;
    while (done < trace.size()) {
        const ssize_t wrote = ::write(STDOUT_FILENO, trace.data() + done, trace.size() - done);
        if (wrote > 0) {
            const void* lastNewline = ::memrchr(trace.data() + done, '\n', static_cast<std::size_t>(wrote));
            if (lastNewline && output.regular) {
                // Where the bytes went, read back: the file may be appended to.
                const off_t end = ::lseek(STDOUT_FILENO, 0, SEEK_CUR);
                const long long wroteEnd = end >= 0 ? end : output.wholeLines + wrote;
                const char* after = static_cast<const char*>(lastNewline) + 1;
                output.wholeLines = wroteEnd - (trace.data() + done + wrote - after);
            }
            done += static_cast<std::size_t>(wrote);
            continue;
        }
        if (wrote < 0 && errno == EINTR) continue;
        error = wrote < 0 ? errno : EIO;
        break;
    }
    trace.clear();
    if (error == 0) return true;
    std::fprintf(stderr, "velmora-replay: cannot write the trace: %s%s\n", std::strerror(error),
                 cutBackToWholeLines(output).c_str());
    return false;
}

// One display into the offscreen picture, as a window's display and swap.
void displayFrame(OffscreenContext* context) {
    onDisplay();
    finishOffscreenFrame(context);
}

// The drawing target follows the view, as the window the game asks for a
// size would. A target whose size changed is drawn again before anyone sees
// it, as GLUT does; that display runs no update, so the game is untouched.
void followViewSize(OffscreenContext* context, int& targetWidth, int& targetHeight, bool draw) {
    if (targetWidth == currentView->width && targetHeight == currentView->height) return;
    targetWidth = currentView->width;
    targetHeight = currentView->height;
    resizeOffscreen(context, targetWidth, targetHeight);
    if (draw) displayFrame(context);
}

// For each command: whether a shot comes after it before the next frame. Only
// the displays of such commands can be the last display before a shot, so
// only they need drawing when nobody looks at the rest. Drawing never changes
// the game, so leaving the others out changes no trace line.
std::vector<bool> seenByAShot(const ReplayScript& script) {
    std::vector<bool> seen(script.commands.size());
    bool shotAhead = false;
    for (std::size_t i = script.commands.size(); i-- > 0;) {
        const ReplayCommand& c = script.commands[i];
        seen[i] = shotAhead;
        if (c.kind == ReplayCommandKind::Shot) shotAhead = true;
        if (c.kind == ReplayCommandKind::Frames && c.count > 0) shotAhead = false;
    }
    return seen;
}

ShotOutcome writeShot(OffscreenContext* context, const std::string& file, bool overwrite) {
    int width = 0, height = 0;
    const std::vector<unsigned char> pixels = readOffscreenPixels(context, width, height);
    return writeShotFile(file, pixels.data(), width, height, overwrite);
}

int play(const ReplayScript& script, const ShotNames& written, Session& session, OffscreenContext* context,
         const Options& options) {
    TraceOutput output = openTraceOutput();
    int targetWidth = canvasWidth, targetHeight = canvasHeight;
    const std::vector<bool> seen = seenByAShot(script);
    ScriptPlayer player{&script};
    for (ScriptStep step = nextScriptStep(player); step.kind != ScriptStepKind::End; step = nextScriptStep(player)) {
        const bool draw = options.drawAll || seen[step.commandIndex];
        if (step.kind == ScriptStepKind::Shot) {
            const ShotOutcome outcome = writeShot(context, step.command->file, options.overwrite);
            if (outcome.result == ShotResult::Written) continue;
            flushTrace(session.traceLines, output);  // the frames before it stand, whether or not it fails
            const bool refused = outcome.result == ShotResult::Refused;
            reportShot(*step.command, written.at(step.commandIndex),
                       refused ? outcome.reason : "failed: " + outcome.reason);
            return refused ? badScriptStatus : failedRunStatus;
        }
        playScriptStep(session, step);
        if (step.kind == ScriptStepKind::Frame) {
            // Of a run, a shot can only see the last frame.
            if (options.drawAll || (draw && step.lastOfRun)) displayFrame(context);
            if (session.traceLines.size() >= traceFlushBytes && !flushTrace(session.traceLines, output))
                return failedRunStatus;
        } else if (step.kind == ScriptStepKind::Reshape) {
            followViewSize(context, targetWidth, targetHeight, draw);
        }
    }
    return flushTrace(session.traceLines, output) ? 0 : failedRunStatus;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!readOptions(argc, argv, options)) {
        std::fputs(usage, stderr);
        return badScriptStatus;
    }
    if (options.help) {
        std::fputs(usage, stdout);
        return std::fflush(stdout) == 0 ? 0 : failedRunStatus;
    }
    if (!descriptorOpen(STDOUT_FILENO)) {
        std::fprintf(stderr, "velmora-replay: standard output is closed: the trace has nowhere to go\n");
        return failedRunStatus;
    }
    const bool inputClosed = !descriptorOpen(STDIN_FILENO);
    fillClosedStandardStreams();
    const bool fromInput = std::strcmp(options.scriptName, "-") == 0;
    const std::string shownName =
        fromInput ? "standard input" : shownScriptText(options.scriptName, std::strlen(options.scriptName));
    ReplayScript script;
    if (fromInput && inputClosed)
        script.error = "cannot be read: it is closed";
    else
        script = readReplayScriptFile(options.scriptName);
    if (!script.error.empty()) {
        std::fprintf(stderr, "velmora-replay: %s: %s\n", shownName.c_str(), script.error.c_str());
        return badScriptStatus;
    }
    if (!script.notice.empty())
        std::fprintf(stderr, "velmora-replay: %s: %s\n", shownName.c_str(), script.notice.c_str());
    const ShotNames written = shotsFromStartFolder(script);
    if (!shotsAreSafe(script, written, options.overwrite)) return badScriptStatus;

    // Standard output carries trace lines only.
    diagnosticStream = stderr;
    // The pictures are found as the game finds them, from any folder.
    enterPictureFolder(pictureFolderCandidates(runningExecutablePath()));
    // Kept where the process's end finds it: see below.
    static OffscreenContext* context = nullptr;
    context = createOffscreenContext(canvasWidth, canvasHeight);
    if (!context) return failedRunStatus;

    int status = 0;
    {
        viewSettings.perspective = 0;
        currentView = &viewSettings;
        // Built with the clock at 0, after the context, as in the game.
        GameState game;
        switchState(game);
        setFixedGlState();
        onReshape(canvasWidth, canvasHeight);
        Session session;
        startSession(session, game, 0);
        session.tracing = true;
        session.traceBacteria = options.withBacteria;
        status = play(script, written, session, context, options);
        currentState = nullptr;
    }
    // The context is left for the process's end to take: tearing it down
    // unloads the driver, and a leak check can then no longer tell the few
    // allocations the driver never frees from the game's own.
    if (std::fflush(stdout) != 0 && status == 0) {
        std::fprintf(stderr, "velmora-replay: cannot write the trace: %s\n", std::strerror(errno));
        status = failedRunStatus;
    }
    return status;
}
