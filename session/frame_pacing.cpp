// The pacer's schedule and the optional frame log. Sleeping uses the steady
// clock, never the game clock: the game clock is read after the wait.
#include "session/frame_pacing.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/steady_clock.h"

namespace {

FramePacer gamePacer;

// Frames drawn late are made up by the next ones as long as the schedule is
// no more than this many frames behind: on a busy machine waking from a sleep
// can take a few milliseconds, and without making them up the rate would sag.
constexpr double framesToMakeUp = 3;

struct FrameLog {
    std::string path;  // empty: no log
    long long frames = 0;
    long long firstMicros = 0;  // on the steady clock
    long long lastWrittenMicros = 0;
};
FrameLog frameLog;

constexpr long long frameLogEveryMicros = 500000;

// Written beside the log and renamed over it, so a reader never sees half a line.
void writeFrameLog(long long nowMicros) {
    const std::string temporary = frameLog.path + ".new";
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (!file) return;
    std::fprintf(file, "%lld %lld\n", frameLog.frames, nowMicros - frameLog.firstMicros);
    std::fclose(file);
    std::rename(temporary.c_str(), frameLog.path.c_str());
}

void countFrame() {
    if (frameLog.path.empty()) return;
    const long long nowMicros = steadyNowMicros();
    if (frameLog.frames == 0) frameLog.firstMicros = frameLog.lastWrittenMicros = nowMicros;
    ++frameLog.frames;
    if (nowMicros - frameLog.lastWrittenMicros >= frameLogEveryMicros) {
        frameLog.lastWrittenMicros = nowMicros;
        writeFrameLog(nowMicros);
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
    const double delay = pacingDelay(gamePacer, steadyNowMicros() / 1e6);
    if (delay > 0) std::this_thread::sleep_for(std::chrono::duration<double>(delay));
    countFrame();
}

void startFrameLog() {
    const char* path = std::getenv("VELMORA_FRAME_LOG");
    frameLog = FrameLog{};
    if (path && *path) frameLog.path = path;
}
