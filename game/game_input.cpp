// Mouse handling: a left press picks up the topmost food under the pointer, a
// drag moves its centre to the pointer, releasing any button drops it.
#include "core/view.h"
#include "game/game_state.h"

namespace {
constexpr int mouseLeft = 0;
constexpr int buttonReleased = 1;

// Clamped before the conversion so a pointer far outside the window cannot
// overflow it.
int truncateClamped(double value, double limit) {
    if (value < -limit) value = -limit;
    if (value > limit) value = limit;
    return static_cast<int>(value);
}
}  // namespace

CanvasPoint toCanvas(int x, int y) {
    const double width = currentView ? currentView->width : viewSettings.width;
    // Multiplied before dividing: the other order rounds differently and can
    // land one unit off after truncation.
    return {truncateClamped(x * 800.0 / width - 400.0, 400.0), truncateClamped(300.0 - y * 800.0 / width, 300.0)};
}

void GameState::onMouse(int button, int state, int x, int y) {
    if (state == buttonReleased) {
        heldFood = -1;
        return;
    }
    if (button != mouseLeft) return;
    const CanvasPoint p = toCanvas(x, y);
    const float px = static_cast<float>(p.x);
    const float py = static_cast<float>(p.y);
    // The last item covering the point is the one drawn on top.
    for (int i = 0; i < foodCount; ++i) {
        const Sprite& s = food[i].sprite;
        const float hw = s.scale.x * 0.5f;
        const float hh = s.scale.y * 0.5f;
        if (s.position.x - hw <= px && px <= s.position.x + hw && s.position.y - hh <= py && py <= s.position.y + hh)
            heldFood = i;
    }
}

void GameState::onMotion(int x, int y) {
    if (heldFood < 0 || heldFood >= foodCount) return;
    const CanvasPoint p = toCanvas(x, y);
    food[heldFood].sprite.position = {static_cast<float>(p.x), static_cast<float>(p.y), 0};
}
