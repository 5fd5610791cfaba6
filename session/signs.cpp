// Each sign is a translucent black veil and one or more pictures drawn from
// img/. The label's text is its picture "Watching" followed by glyphs cut
// from a strip of digits, so the speed and the time need no font at run time.
#include "session/signs.h"

#include <cmath>
#include <string>

#include "core/view.h"
#include "gfx/sprite.h"

namespace {

struct Picture {
    const char* file;
    float width;  // canvas units
    float height;
};
// The pause sign's picture holds twice as many pixels each way as it covers,
// so it stays sharp in a window twice the canvas's size; the others one.
constexpr Picture pausedPicture = {"img/paused.tga", 256, 64};
constexpr Picture helpPicture = {"img/help.tga", 512, 256};
constexpr Picture endPicture = {"img/ended.tga", 512, 64};
constexpr Picture watchingPicture = {"img/watching.tga", 128, 32};
constexpr Picture digitsPicture = {"img/digits.tga", 16, 32};  // one cell of sixteen
constexpr int digitCells = 16;
constexpr int timesCell = 10;  // 'x', after the ten digits
constexpr int colonCell = 11;

constexpr float dimming = 0.45f;       // how much of the mouth's light a sign's veil takes
constexpr float labelDimming = 0.55f;  // behind the label's speed and time
constexpr float labelMargin = 8;       // from the canvas's top-left corner

enum SignSprite { Veil, Paused, Help, Ended, Watching, Digit, SignSprites };

struct Signs {
    bool made[SignSprites] = {};
    Sprite sprites[SignSprites];
};
Signs signs;

Sprite& signSprite(SignSprite which, const Picture* picture) {
    Sprite& sprite = signs.sprites[which];
    if (signs.made[which]) return sprite;
    initSprite(sprite);
    if (picture) {
        sprite.scale = {picture->width, picture->height, 1};
        sprite.texture = loadTexture(picture->file);
    } else {
        sprite.color[0] = sprite.color[1] = sprite.color[2] = 0;
    }
    signs.made[which] = true;
    return sprite;
}

void drawVeil(float width, float height, float x, float y, float darkness) {
    Sprite& veil = signSprite(Veil, nullptr);
    veil.scale = {width, height, 1};
    veil.position = {x, y, 0};
    veil.color[3] = darkness;
    drawSprite(veil);
}

void drawCentred(SignSprite which, const Picture& picture) {
    drawVeil(canvasWidth, canvasHeight, 0, 0, dimming);
    drawSprite(signSprite(which, &picture));
}

// The label's text after "Watching": " 4x 1:05" (the speed only when whole).
std::string labelText(double speed, int recordingMs) {
    std::string text;
    if (speed >= 1 && speed == std::floor(speed) && speed < 1e6)
        text += " " + std::to_string(static_cast<long long>(speed)) + "x";
    const long long seconds = recordingMs > 0 ? recordingMs / 1000 : 0;
    const long long secondsPart = seconds % 60;
    text += " " + std::to_string(seconds / 60) + ":" + (secondsPart < 10 ? "0" : "") + std::to_string(secondsPart);
    return text;
}

int cellOf(char glyph) {
    if (glyph >= '0' && glyph <= '9') return glyph - '0';
    if (glyph == 'x') return timesCell;
    if (glyph == ':') return colonCell;
    return -1;  // a space
}

}  // namespace

void drawPauseSign() { drawCentred(Paused, pausedPicture); }

void drawHelpSign() { drawCentred(Help, helpPicture); }

void drawEndSign() { drawCentred(Ended, endPicture); }

void drawWatchLabel(double speed, int recordingMs) {
    const std::string text = labelText(speed, recordingMs);
    const float textWidth = static_cast<float>(text.size()) * digitsPicture.width;
    const float left = -canvasWidth / 2 + labelMargin;
    const float centreY = canvasHeight / 2 - labelMargin - watchingPicture.height / 2;
    drawVeil(textWidth, digitsPicture.height, left + watchingPicture.width + textWidth / 2, centreY, labelDimming);

    Sprite& watching = signSprite(Watching, &watchingPicture);
    watching.position = {left + watchingPicture.width / 2, centreY, 0};
    drawSprite(watching);

    Sprite& digit = signSprite(Digit, &digitsPicture);
    digit.useTexMatrix = true;
    digit.texScale[0] = 1.0f / digitCells;
    float x = left + watchingPicture.width + digitsPicture.width / 2;
    for (char glyph : text) {
        const int cell = cellOf(glyph);
        if (cell >= 0) {
            digit.texOffset[0] = static_cast<float>(cell) / digitCells;
            digit.position = {x, centreY, 0};
            drawSprite(digit);
        }
        x += digitsPicture.width;
    }
}

void releaseSigns() {
    for (int which = 0; which < SignSprites; ++which)
        if (signs.made[which] && signs.sprites[which].texture) destroySprite(signs.sprites[which]);
    signs = Signs{};
}
