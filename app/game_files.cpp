// The session's lines go into the files' pending text once per idle call;
// the files decide when to write out.
#include "app/game_files.h"

#include <GL/freeglut.h>

#include <csignal>

#include "app/ending_signals.h"
#include "core/view.h"
#include "gfx/diagnostic.h"
#include "recording/script_lines.h"
#include "session/session.h"

GameFiles gameFiles;

GameFiles::~GameFiles() {
    closeLineFile(recording);
    closeLineFile(trace);
}

namespace {

constexpr unsigned filesCheckMs = 250;
Session* keptSession = nullptr;

void checkFiles(int) {
    if (const int signal = endingSignalCaught()) {
        reportLine(std::string("The game was asked to end (") +
                   (signal == SIGINT   ? "SIGINT"
                    : signal == SIGHUP ? "SIGHUP"
                                       : "SIGTERM") +
                   "): its files are written out");
        glutLeaveMainLoop();
        return;
    }
    if (keptSession) takeSessionLines(*keptSession);
    if (isOpen(gameFiles.recording) && !gameFiles.recording.pending.empty()) writeOutLines(gameFiles.recording);
    if (isOpen(gameFiles.trace) && !gameFiles.trace.pending.empty()) writeOutLines(gameFiles.trace);
    glutTimerFunc(filesCheckMs, checkFiles, 0);
}

void take(std::string& lines, LineFile& file) {
    if (lines.empty()) return;
    if (isOpen(file)) {
        file.pending += lines;
        linesAdded(file);
    }
    lines.clear();
}

}  // namespace

void openGameFiles(Session& session, const std::string& recordPath, const std::string& tracePath) {
    if (!recordPath.empty() && openLineFile(gameFiles.recording, recordPath, "recording")) {
        appendRecordingHeader(gameFiles.recording.pending,
                              ", window " + std::to_string(canvasWidth) + " x " + std::to_string(canvasHeight));
        writeOutLines(gameFiles.recording);
        session.recording = true;
    }
    if (!tracePath.empty() && openLineFile(gameFiles.trace, tracePath, "trace")) session.tracing = true;
}

void takeSessionLines(Session& session) {
    take(session.recordLines, gameFiles.recording);
    take(session.traceLines, gameFiles.trace);
}

void keepFilesCurrent(Session& session) {
    keptSession = &session;
    catchEndingSignals();
    glutTimerFunc(filesCheckMs, checkFiles, 0);
}

bool closeGameFiles(const std::string& recordPath, const std::string& tracePath) {
    const bool recordingKept = closeLineFile(gameFiles.recording) || recordPath.empty();
    const bool traceKept = closeLineFile(gameFiles.trace) || tracePath.empty();
    return recordingKept && traceKept;
}
