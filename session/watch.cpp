// The pace reads the session's play clock, never the wall clock, so the time
// a watch stood still is not made up in a rush when it goes on. Shots are
// skipped: watching writes nothing the recording names.
#include "session/watch.h"

#include "gfx/diagnostic.h"
#include "session/play_clock.h"
#include "session/session.h"

bool nextDueStep(ScriptPlayer& player, ScriptPace& pace, double nowSeconds, ScriptStep& step, double& waitSeconds) {
    if (pace.holding) {
        step = pace.held;
        pace.holding = false;
    } else {
        step = nextScriptStep(player);
    }
    if (step.kind != ScriptStepKind::Frame) return true;
    if (!pace.started) {
        pace.started = true;
        pace.startSeconds = nowSeconds;
        pace.startClockMs = step.clockMs;
        return true;
    }
    if (pace.speed <= 0) return true;
    // Readings never run backwards, so the difference is never negative.
    const double due = pace.startSeconds + (step.clockMs - pace.startClockMs) / 1000.0 / pace.speed;
    if (nowSeconds >= due) return true;
    pace.held = step;
    pace.holding = true;
    waitSeconds = due - nowSeconds;
    return false;
}

bool openWatch(Watch& watch, const std::string& path, std::string& fault) {
    watch.script = ReplayScript{};
    if (!openWatchedRecording(path, watch.stream, watch.script.notice, fault)) return false;
    if (!watch.script.notice.empty()) reportLine(path + ": " + watch.script.notice);
    watch.player = ScriptPlayer{};
    watch.player.stream = &watch.stream;
    return true;
}

void startWatching(Session& session, Watch& watch, double speed) {
    session.watching = true;
    session.watchSpeed = speed;
    session.helping = false;
    session.recording = false;
    watch.pace = ScriptPace{};
    watch.pace.speed = speed;
}

namespace {

void endWatch(Session& session, const Watch& watch, long long steadyMs) {
    // A file changed since it was checked may end in a bad line: what came
    // before it has played, and the line is said.
    if (!watch.stream.reader.error.empty())
        reportLine(watch.stream.name + ": " + watch.stream.reader.error + "; the recording stops there");
    reportLine("The recording ended after " + std::to_string(session.frames) + " frames; its last frame stays " +
               watch.lastFrameStays);
    setEnded(session, true, steadyMs);
}

}  // namespace

WatchedSteps watchDueSteps(Session& session, Watch& watch, long long steadyMs, double longestSeconds) {
    WatchedSteps done;
    if (standingStill(session)) return done;
    session.lastReadingMs = readPlayClock(session.clock, steadyMs);
    const double now = session.lastReadingMs / 1000.0;
    // Steps that are not frames (a recording of nothing but new games) count
    // against the time as frames do.
    const long long beganMs = steadyNowMs();
    for (int steps = 0;; ++steps) {
        if (steps > 0 && static_cast<double>(steadyNowMs() - beganMs) >= longestSeconds * 1000) break;
        ScriptStep step;
        if (!nextDueStep(watch.player, watch.pace, now, step, done.waitSeconds)) break;
        if (step.kind == ScriptStepKind::End) {
            endWatch(session, watch, steadyMs);
            break;
        }
        playScriptStep(session, step);
        if (step.kind == ScriptStepKind::Frame) ++done.frames;
    }
    return done;
}
