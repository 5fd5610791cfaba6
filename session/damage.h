// Drawing only what changed: each frame is first measured (where every sprite
// lands and how it looks), compared with the frame drawn before it, and only
// the window rectangles where a sprite came, went or changed are cleared and
// drawn again, every sprite that reaches them in the game's order, under a
// scissor. The picture left is the whole frame's, pixel for pixel.
#pragma once
#include <functional>
#include <vector>

#include "gfx/sprite_log.h"

struct FrameDamage {
    bool whole = true;
    std::vector<PixelRect> rects;  // drawn again, when not whole; they never overlap in a pixel drawn twice
};

// Whole frames always (VELMORA_WHOLE_FRAMES set to anything but "0"), for
// comparing the two ways of drawing.
extern bool wholeFrames;

// One drawing target's memory of its last frame.
struct DamageState {
    SpriteLog measured;         // the frame being drawn
    SpriteLog lastDrawn;        // the frame the target holds
    int wholeFramesToCome = 2;  // the second whole frame keeps the mouth's pixels
    bool wholeOnly = false;     // the target cannot keep or show parts: every frame whole
};

// The target's pixels are no longer the last frame's (a new size, an expose,
// a swap that left the back buffer undefined).
void forgetLastFrame(DamageState& state);

// Draws a frame, clearing the target as the game does (all of it, or each
// part) and then calling drawContent, which draws the game and anything over
// it without clearing. Returns what was drawn, for the program to show.
FrameDamage drawFrameByDamage(DamageState& state, const std::function<void()>& drawContent);
