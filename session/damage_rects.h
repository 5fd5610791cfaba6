// Which window rectangles changed from one frame to the next, worked out from
// the two frames' sprites alone, and how they are joined into a few parts to
// draw: no OpenGL here.
#pragma once
#include <cstddef>
#include <vector>

#include "gfx/sprite_log.h"

// The rectangles that differ between two frames' sprites: those of the
// sprites of either frame that have no unchanged partner in the other, kept in
// the same order relative to the other unchanged sprites.
std::vector<PixelRect> changedRects(const std::vector<LoggedSprite>& before, const std::vector<LoggedSprite>& now);
// Joins rectangles that touch or nearly so, then the nearest pairs until at
// most mostRects are left. The result covers every pixel of the input.
std::vector<PixelRect> joinRects(std::vector<PixelRect> rects, std::size_t mostRects);
