// Tool timelines. A phase ends in the first update whose game time is past its
// end (strictly), so each phase lasts its nominal time plus up to one frame.
#include "game/tool.h"

#include <cmath>

#include "core/frame_clock.h"
#include "game/game_clock.h"
#include "game/random.h"

namespace {
constexpr const char* brushPicture = "img/brush.tga";
constexpr const char* drillPicture = "img/drill.tga";

constexpr float brushStartX = -900;
constexpr float brushFirstWait = 15;
constexpr float brushEnterSeconds = 1;
constexpr float brushScrubSeconds = 4;
constexpr float brushScrubReach = 30;  // units either side of the centre
constexpr float brushScrubRate = 30;   // radians per second
constexpr float brushLeaveSpeed = 910;
constexpr float brushLeaveSeconds = 1;
constexpr float brushMinWait = 15;
constexpr float brushWaitSpread = 10;

constexpr float drillStartX = 900;
constexpr float drillFirstWait = 25;
constexpr float drillEnterSeconds = 10;
constexpr float drillEnterSpeed = 90;
constexpr float drillLeaveSpeed = 900;
constexpr float drillLeaveSeconds = 1;
constexpr float drillMinWait = 25;
constexpr float drillWaitSpread = 10;

void startPhase(Tool& tool, int phase, float now, float length) {
    tool.phase = phase;
    tool.phaseStart = now;
    tool.phaseEnd = now + length;
}

// The next wait is the clock plus the fixed wait, then the random part, added
// in that order: the other grouping rounds differently for some draws.
void startWaiting(Tool& tool, int waitingPhase, float now, float minWait, float waitSpread) {
    tool.phase = waitingPhase;
    tool.phaseStart = now;
    tool.phaseEnd = (now + minWait) + waitSpread * nextUnit();
}

void buildTool(Tool& tool, const char* picture, Vec3 scale, float x, float firstWait) {
    tool = Tool{};
    initSprite(tool.sprite);
    tool.sprite.texture = loadTexture(picture);
    tool.sprite.scale = scale;
    tool.sprite.position = {x, 0, 0};
    const float now = gameTime();
    startPhase(tool, 0, now, firstWait);
}
}  // namespace

void buildBrush(Tool& brush) { buildTool(brush, brushPicture, {875, 900, 1}, brushStartX, brushFirstWait); }

void buildDrill(Tool& drill) { buildTool(drill, drillPicture, {800, 800, 800}, drillStartX, drillFirstWait); }

void updateBrush(Tool& brush) {
    const float t = gameTime();
    float& x = brush.sprite.position.x;
    switch (brush.phase) {
        case BrushWaiting:
            if (brush.phaseEnd < t) startPhase(brush, BrushEntering, t, brushEnterSeconds);
            break;
        case BrushEntering:
            x = (brush.phaseEnd - t) * brushStartX;
            if (brush.phaseEnd < t) startPhase(brush, Brushing, t, brushScrubSeconds);
            break;
        case Brushing:
            // The sine is the C library's double one; like every function result
            // in the rules it comes back as a float before the float arithmetic.
            x = brushScrubReach *
                static_cast<float>(std::sin(static_cast<double>(brushScrubRate * (t - brush.phaseStart))));
            if (brush.phaseEnd < t) {
                startPhase(brush, BrushLeaving, t, brushLeaveSeconds);
                brush.struck = true;
            }
            break;
        case BrushLeaving:
            x = x - brushLeaveSpeed * frameDelta;
            if (brush.phaseEnd < t) startWaiting(brush, BrushWaiting, t, brushMinWait, brushWaitSpread);
            break;
        default:
            break;
    }
}

void updateDrill(Tool& drill) {
    const float t = gameTime();
    float& x = drill.sprite.position.x;
    switch (drill.phase) {
        case DrillWaiting:
            if (drill.phaseEnd < t) startPhase(drill, DrillEntering, t, drillEnterSeconds);
            break;
        case DrillEntering:
            x = (drill.phaseEnd - t) * drillEnterSpeed;
            if (drill.phaseEnd < t) {
                startPhase(drill, DrillLeaving, t, drillLeaveSeconds);
                drill.struck = true;
            }
            break;
        case DrillLeaving:
            x = x + drillLeaveSpeed * frameDelta;
            if (drill.phaseEnd < t) startWaiting(drill, DrillWaiting, t, drillMinWait, drillWaitSpread);
            break;
        default:
            break;
    }
}

void destroyTool(Tool& tool) { destroySprite(tool.sprite); }
