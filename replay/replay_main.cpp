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
#include "recording/script_stream.h"
#include "replay/offscreen_context.h"
#include "replay/shot_file.h"
#include "replay/sound_render.h"
#include "session/damage.h"
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

// The recording's soundtrack, with --sound: mixed frame by frame.
SoundRender soundtrack;

const char* const usage =
    "usage: velmora-replay [--bacteria] [--no-draw] [--overwrite] [--sound FILE.wav] SCRIPT   (SCRIPT - reads "
    "standard input)\n"
    "  --bacteria   list every bacterium in the trace\n"
    "  --no-draw    draw only the frames that are shot\n"
    "  --overwrite  let shots replace existing files (never through a symbolic link)\n"
    "  --sound FILE.wav  write what a player would have heard, made as fast as it goes\n";

struct Options {
    bool withBacteria = false;
    bool drawAll = true;
    bool overwrite = false;
    bool help = false;
    const char* soundFile = nullptr;
    const char* scriptName = nullptr;
};

bool readOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--bacteria") == 0)
            options.withBacteria = true;
        else if (std::strcmp(argv[i], "--no-draw") == 0)
            options.drawAll = false;
        else if (std::strcmp(argv[i], "--sound") == 0 && i + 1 < argc && !options.soundFile)
            options.soundFile = argv[++i];
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

// Shots named relative to where the replay was started still mean that
// folder after the replay has moved into its picture folder.
std::string fromStartFolder(const std::filesystem::path& startFolder, const std::string& file) {
    if (startFolder.empty()) return file;
    return (startFolder / file).lexically_normal().string();
}

void reportShot(const ReplayCommand& c, const std::string& why) {
    std::fprintf(stderr, "velmora-replay: line %lld: shot %s %s\n", c.line,
                 shownScriptText(c.file, c.file.size()).c_str(), why.c_str());
}

// Before the first frame, each shot as the script is checked: no shot may
// replace a file or follow a link, nor replace an earlier shot of the same
// script, and no script creates more than mostShotFiles files.
struct ShotCheck {
    std::filesystem::path startFolder;
    bool overwrite = false;
    std::unordered_map<std::string, long long> earlier;  // file, the line of its first shot
};

bool shotIsSafe(ShotCheck& check, const ReplayCommand& c) {
    if (c.kind != ReplayCommandKind::Shot) return true;
    const std::string file = fromStartFolder(check.startFolder, c.file);
    const ShotOutcome outcome = checkShotTarget(file, check.overwrite);
    if (outcome.result == ShotResult::Refused) {
        reportShot(c, outcome.reason);
        return false;
    }
    const auto [first, added] = check.earlier.emplace(file, c.line);
    if (!check.overwrite && first->second != c.line) {
        reportShot(c, "would replace the shot of line " + std::to_string(first->second) + " (--overwrite allows it)");
        return false;
    }
    if (added && check.earlier.size() > mostShotFiles) {
        reportShot(c, "would be file " + std::to_string(check.earlier.size()) + ": a script writes at most " +
                          std::to_string(mostShotFiles) + " shot files");
        return false;
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

// The drawing target follows the view, as the window the game asks for a
// size would, but only when something is drawn: a replay that draws nothing
// between many resizes makes no picture for any of them.
struct Target {
    OffscreenContext* context = nullptr;
    int width = canvasWidth;
    int height = canvasHeight;
    DamageState damage;  // what changed since the frame the picture holds
};

bool followsView(const Target& target) {
    return target.width == currentView->width && target.height == currentView->height;
}

// One display into the offscreen picture, as a window's display and swap.
void displayFrame(Target& target) {
    if (!followsView(target)) {
        target.width = currentView->width;
        target.height = currentView->height;
        resizeOffscreen(target.context, target.width, target.height);
        forgetLastFrame(target.damage);
    }
    drawFrameByDamage(target.damage, renderCurrentState);
    finishOffscreenFrame(target.context);
}

ShotOutcome writeShot(OffscreenContext* context, const std::string& file, bool overwrite) {
    int width = 0, height = 0;
    const std::vector<unsigned char> pixels = readOffscreenPixels(context, width, height);
    return writeShotFile(file, pixels.data(), width, height, overwrite);
}

int play(ScriptStream& stream, const std::filesystem::path& startFolder, Session& session, OffscreenContext* context,
         const Options& options) {
    TraceOutput output = openTraceOutput();
    Target target;
    target.context = context;
    ScriptPlayer player;
    player.stream = &stream;
    // Without --no-draw every display is drawn; with it, only those a shot
    // can see: the last before a shot. Drawing never changes the game, so
    // leaving the others out changes no trace line.
    const auto seen = [&] { return options.drawAll || shotBeforeNextFrame(stream); };
    for (ScriptStep step = nextScriptStep(player); step.kind != ScriptStepKind::End; step = nextScriptStep(player)) {
        if (step.kind == ScriptStepKind::Shot) {
            const ShotOutcome outcome =
                writeShot(context, fromStartFolder(startFolder, step.command->file), options.overwrite);
            if (outcome.result == ShotResult::Written) continue;
            flushTrace(session.traceLines, output);  // the frames before it stand, whether or not it fails
            const bool refused = outcome.result == ShotResult::Refused;
            reportShot(*step.command, refused ? outcome.reason : "failed: " + outcome.reason);
            return refused ? badScriptStatus : failedRunStatus;
        }
        // What sounded up to a frame's reading is mixed before its update, so
        // the sounds it starts begin at that reading, as its trace line says.
        if (step.kind == ScriptStepKind::Frame) renderSoundUntil(soundtrack, step.clockMs);
        playScriptStep(session, step);
        if (step.kind == ScriptStepKind::Frame) {
            // Of a run, a shot can only see the last frame.
            if (options.drawAll || (step.lastOfRun && seen())) displayFrame(target);
            if (session.traceLines.size() >= traceFlushBytes && !flushTrace(session.traceLines, output))
                return failedRunStatus;
        } else if (step.kind == ScriptStepKind::Reshape) {
            // A window whose size changed is drawn again before anyone sees
            // it, as GLUT does; that display runs no update.
            if (!followsView(target) && seen()) displayFrame(target);
        } else if (step.kind == ScriptStepKind::Restart) {
            // The window shows the new game at once, as the game's own N
            // does; drawn here only for a shot that sees it, since the next
            // frame or new game draws over it.
            if (shotBeforeNextFrame(stream, true)) displayFrame(target);
        }
    }
    const bool traced = flushTrace(session.traceLines, output);
    // Checked whole before the first frame, the file can only have changed
    // since: what came before the bad line has played.
    if (!stream.reader.error.empty()) {
        std::fprintf(stderr, "velmora-replay: %s: %s; the script stops there\n", stream.name.c_str(),
                     stream.reader.error.c_str());
        return badScriptStatus;
    }
    return traced ? 0 : failedRunStatus;
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
    std::error_code noFolder;
    ShotCheck shots;
    shots.startFolder = std::filesystem::current_path(noFolder);
    shots.overwrite = options.overwrite;
    bool shotsSafe = true;
    const CommandCheck checkShot = [&](const ReplayCommand& c, std::string&) {
        return shotsSafe = shotIsSafe(shots, c);
    };
    std::string fault = "cannot be read: it is closed", notice;
    ScriptStream stream;
    if ((fromInput && inputClosed) || !openScriptStream(stream, options.scriptName, fault, notice, checkShot)) {
        // A shot refused has said its own line.
        if (shotsSafe) std::fprintf(stderr, "velmora-replay: %s: %s\n", shownName.c_str(), fault.c_str());
        return badScriptStatus;
    }
    stream.name = shownName;
    shots.earlier.clear();
    if (!notice.empty()) std::fprintf(stderr, "velmora-replay: %s: %s\n", shownName.c_str(), notice.c_str());

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
        // The sounds keep the recording's own time, not the machine's.
        session.soundOnUpdateClock = true;
        std::string soundFault;
        if (options.soundFile && !startSoundRender(soundtrack, fromStartFolder(shots.startFolder, options.soundFile),
                                                   options.overwrite, game, soundFault))
            status = failedRunStatus;
        else
            status = play(stream, shots.startFolder, session, context, options);
        if (!finishSoundRender(soundtrack, soundFault) && status == 0) status = failedRunStatus;
        if (!soundFault.empty())
            std::fprintf(stderr, "velmora-replay: %s: %s\n",
                         shownScriptText(options.soundFile, std::strlen(options.soundFile)).c_str(),
                         soundFault.c_str());
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
