// Drawing in parts: measured, compared, then each changed rectangle cleared
// and drawn under its scissor.
#include "session/damage.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "session/damage_rects.h"

namespace {

bool wholeFramesAsked() {
    const char* value = std::getenv("VELMORA_WHOLE_FRAMES");
    return value && *value && std::strcmp(value, "0") != 0;
}

// Beyond this share of the target, drawing in parts costs more than it spares.
constexpr double mostDamagedShare = 0.5;
constexpr std::size_t mostParts = 12;

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
        // and every sprite in the game's order when the first sprite (the
        // mouth, copied from its kept pixels) goes into every part before the
        // rest: the software renderer finishes what it was given before each
        // such copy, and the rest then follow without a wait.
        for (const bool first : {true, false}) {
            state.measured.first = first ? 0 : 1;
            state.measured.end = first ? 1 : SIZE_MAX;
            for (const PixelRect& rect : damage.rects) {
                glScissor(rect.x0, rect.y0, rect.x1 - rect.x0, rect.y1 - rect.y0);
                if (first) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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
