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
    QuadOutline outline;
    unsigned int list = 0;  // 0: not compiled yet
};

// The shape for these texture-matrix settings, worked out on first use; null
// when the picture was not measured or holds too many shapes already.
SpriteShape* findSpriteShape(std::vector<SpriteShape>& shapes, const PictureCoverage& coverage, bool useTexMatrix,
                             const float texOffset[2], const float texScale[2]);

// Draws the outline's pieces (nothing for an empty one) from its display list,
// or vertex by vertex when display lists are off.
void drawSpriteShape(SpriteShape& shape);
// The plain unit quad, vertex by vertex.
void drawWholeQuadVertices();

// Deletes the shapes' display lists.
void deleteSpriteShapes(std::vector<SpriteShape>& shapes);
