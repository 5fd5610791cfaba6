// Drawing in parts: measured, compared, then each changed rectangle cleared
// and drawn under its scissor.
#include "session/damage.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "session/damage_rects.h"

namespace {

bool wholeFramesAsked() {
    const char* value = std::getenv("VELMORA_WHOLE_FRAMES");
    return value && *value && std::strcmp(value, "0") != 0;
}

// Beyond half the target, drawing in parts costs more than it spares (the
// teeth, drained from the start, change a little every frame and cover about
// half the mouth). VELMORA_PARTS_UP_TO moves the bound, for comparisons and
// for the tests that look at parts in a window from the start of a game.
double mostDamagedShareAsked() {
    constexpr double usual = 0.5;
    const char* value = std::getenv("VELMORA_PARTS_UP_TO");
    if (!value || !*value) return usual;
    char* end = nullptr;
    const double share = std::strtod(value, &end);
    if (*end != '\0' || !(share >= 0 && share <= 1)) {
        std::printf("VELMORA_PARTS_UP_TO takes a share of the frame from 0 to 1, not '%s': frames are drawn in "
                    "parts up to half of it\n",
                    value);
        std::fflush(stdout);
        return usual;
    }
    return share;
}
const double mostDamagedShare = mostDamagedShareAsked();
constexpr std::size_t mostParts = 32;

}  // namespace

bool wholeFrames = wholeFramesAsked();

void forgetLastFrame(DamageState& state) {
    state.lastDrawn.sprites.clear();
    state.wholeFramesToCome = std::max(state.wholeFramesToCome, 1);
}

FrameDamage drawFrameByDamage(DamageState& state, const std::function<void()>& drawContent) {
    FrameDamage damage;
    const bool inParts = !wholeFrames && !state.wholeOnly;
    if (inParts) {
        state.measured.mode = SpriteLogMode::Measure;
        state.measured.sprites.clear();
        spriteLog = &state.measured;
        drawContent();
        spriteLog = nullptr;
        int viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        if (state.wholeFramesToCome == 0) {
            damage.rects = changedRects(state.lastDrawn.sprites, state.measured.sprites);
            long long area = 0;
            for (const PixelRect& rect : damage.rects) area += rectArea(rect);
            const long long limit = static_cast<long long>(mostDamagedShare * viewport[2] * viewport[3]);
            if (area <= limit * 2) damage.rects = joinRects(std::move(damage.rects), mostParts);
            area = 0;
            for (const PixelRect& rect : damage.rects) area += rectArea(rect);
            damage.whole = area > limit;
        }
    }
    if (damage.whole) {
        damage.rects.clear();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawContent();
        if (state.wholeFramesToCome > 0) --state.wholeFramesToCome;
    } else if (!damage.rects.empty()) {
        // The frame starts without a scissor, and is left without one.
        glEnable(GL_SCISSOR_TEST);
        state.measured.mode = SpriteLogMode::DrawPart;
        spriteLog = &state.measured;
        // The parts never share a pixel, so each pixel still sees the clear
        // and every sprite in the game's order when all parts are cleared
        // first, then the first sprite (the mouth, copied from its kept
        // pixels) goes into every part, then the rest. The software renderer
        // finishes what it was given before such a copy: cleared first, the
        // parts make it wait once, not once a part.
        for (const PixelRect& rect : damage.rects) {
            glScissor(rect.x0, rect.y0, rect.x1 - rect.x0, rect.y1 - rect.y0);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        }
        for (const bool first : {true, false}) {
            state.measured.first = first ? 0 : 1;
            state.measured.end = first ? 1 : SIZE_MAX;
            for (const PixelRect& rect : damage.rects) {
                glScissor(rect.x0, rect.y0, rect.x1 - rect.x0, rect.y1 - rect.y0);
                state.measured.next = 0;
                state.measured.part = rect;
                drawContent();
            }
        }
        spriteLog = nullptr;
        glDisable(GL_SCISSOR_TEST);
    }
    if (inParts) std::swap(state.lastDrawn, state.measured);
    return damage;
}
