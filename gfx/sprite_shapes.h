// The outlines a picture's sprites are drawn with, one for each texture
// matrix they use (the teeth pick their cells of one atlas), each compiled
// into its own display list the first time it is drawn.
#pragma once
#include <vector>

#include "gfx/picture_coverage.h"
#include "gfx/quad_outline.h"

struct SpriteShape {
    bool useTexMatrix = false;
    float texOffset[2] = {0, 0};
    float texScale[2] = {1, 1};
    double spriteArea = 0;  // the size it was first drawn at
    QuadOutline outline;
    unsigned int uprightList = 0;  // 0: not compiled yet
    unsigned int turnedList = 0;
};

// The shape for these texture-matrix settings, worked out on first use for a
// sprite of spriteArea square units; null when the picture was not measured
// or holds too many shapes already.
SpriteShape* findSpriteShape(std::vector<SpriteShape>& shapes, const PictureCoverage& coverage, bool useTexMatrix,
                             const float texOffset[2], const float texScale[2], double spriteArea);

// Draws the outline's rectangles (nothing for an empty one) from a display
// list, or vertex by vertex when display lists are off. upright: the sprite
// is not turned, and neither is anything it is drawn into. The turned
// rectangles are worked out from the picture's coverage when first needed.
void drawSpriteShape(SpriteShape& shape, const PictureCoverage& coverage, bool upright);
// The plain unit quad, vertex by vertex.
void drawWholeQuadVertices();

// Deletes the shapes' display lists.
void deleteSpriteShapes(std::vector<SpriteShape>& shapes);
