// The sign is two sprites: a translucent black quad over the whole canvas,
// then the picture of the word. Neither touches the game's own sprites.
#include "session/pause_sign.h"

#include "core/view.h"
#include "gfx/sprite.h"

namespace {

constexpr const char* signPicture = "img/paused.tga";
// The sign's size on the canvas: its picture holds twice as many pixels each
// way, so it stays sharp in a window twice the canvas's size.
constexpr float signWidth = 256;
constexpr float signHeight = 64;
constexpr float dimming = 0.45f;  // how much of the mouth's light the veil takes

struct PauseSign {
    bool made = false;
    Sprite veil;
    Sprite sign;
};
PauseSign pauseSign;

void makePauseSign() {
    initSprite(pauseSign.veil);
    pauseSign.veil.scale = {canvasWidth, canvasHeight, 1};
    pauseSign.veil.color[0] = pauseSign.veil.color[1] = pauseSign.veil.color[2] = 0;
    pauseSign.veil.color[3] = dimming;
    initSprite(pauseSign.sign);
    pauseSign.sign.scale = {signWidth, signHeight, 1};
    pauseSign.sign.texture = loadTexture(signPicture);
    pauseSign.made = true;
}

}  // namespace

void drawPauseSign() {
    if (!pauseSign.made) makePauseSign();
    drawSprite(pauseSign.veil);
    drawSprite(pauseSign.sign);
}

void releasePauseSign() {
    if (!pauseSign.made) return;
    destroySprite(pauseSign.sign);
    pauseSign = PauseSign{};
}
