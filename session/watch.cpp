// The pace reads the session's play clock, never the wall clock, so the time
// a watch stood still is not made up in a rush when it goes on. Shots are
// skipped: watching writes nothing the recording names.
#include "session/watch.h"

#include <chrono>

#include "gfx/diagnostic.h"
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
    if (!readWatchedRecording(path, watch.script, fault)) return false;
    if (!watch.script.notice.empty()) reportLine(path + ": " + watch.script.notice);
    watch.player = ScriptPlayer{&watch.script};
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

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void endWatch(Session& session, const Watch& watch, long long steadyMs) {
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
    const double began = wallSeconds();
    for (;;) {
        if (done.frames > 0 && wallSeconds() - began >= longestSeconds) break;
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
