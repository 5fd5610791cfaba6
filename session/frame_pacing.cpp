// The pacer's schedule and the optional frame log. Sleeping uses the steady
// clock, never the game clock: the game clock is read after the wait.
#include "session/frame_pacing.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

FramePacer gamePacer;

// Frames drawn late are made up by the next ones as long as the schedule is
// no more than this many frames behind: on a busy machine waking from a sleep
// can take a few milliseconds, and without making them up the rate would sag.
constexpr double framesToMakeUp = 3;

struct FrameLog {
    std::string path;  // empty: no log
    long long frames = 0;
    Clock::time_point first;
    Clock::time_point lastWritten;
};
FrameLog frameLog;

constexpr auto frameLogEvery = std::chrono::milliseconds(500);

double secondsNow() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

// Written beside the log and renamed over it, so a reader never sees half a line.
void writeFrameLog(Clock::time_point now) {
    const std::string temporary = frameLog.path + ".new";
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (!file) return;
    const long long micros = std::chrono::duration_cast<std::chrono::microseconds>(now - frameLog.first).count();
    std::fprintf(file, "%lld %lld\n", frameLog.frames, micros);
    std::fclose(file);
    std::rename(temporary.c_str(), frameLog.path.c_str());
}

void countFrame() {
    if (frameLog.path.empty()) return;
    const Clock::time_point now = Clock::now();
    if (frameLog.frames == 0) frameLog.first = frameLog.lastWritten = now;
    ++frameLog.frames;
    if (now - frameLog.lastWritten >= frameLogEvery) {
        frameLog.lastWritten = now;
        writeFrameLog(now);
    }
}

}  // namespace

double pacingDelay(FramePacer& pacer, double now) {
    if (pacer.periodSeconds <= 0) return 0;
    // Far behind (a stall, or a display slower than the cap): the schedule
    // starts again rather than rushing a burst of frames out to catch up.
    if (!pacer.started || now >= pacer.nextFrame + framesToMakeUp * pacer.periodSeconds) {
        pacer.started = true;
        pacer.nextFrame = now + pacer.periodSeconds;
        return 0;
    }
    const double delay = pacer.nextFrame > now ? pacer.nextFrame - now : 0;
    pacer.nextFrame += pacer.periodSeconds;
    return delay;
}

void setFrameRateCap(double framesPerSecond) {
    gamePacer = FramePacer{};
    gamePacer.periodSeconds = framesPerSecond > 0 ? 1.0 / framesPerSecond : 0;
}

void waitForNextFrame() {
    const double delay = pacingDelay(gamePacer, secondsNow());
    if (delay > 0) std::this_thread::sleep_for(std::chrono::duration<double>(delay));
    countFrame();
}

void startFrameLog() {
    const char* path = std::getenv("VELMORA_FRAME_LOG");
    frameLog = FrameLog{};
    if (path && *path) frameLog.path = path;
}
