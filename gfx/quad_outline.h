// The part of a sprite's unit quad that can change a pixel when blended: every
// fragment outside it samples only clear texels (alpha 0 after linear
// filtering), so leaving it out draws the same picture with fewer fragments.
#pragma once
#include <vector>

#include "gfx/picture_coverage.h"

// A corner in the unit quad (x and y from -0.5 to 0.5, y up) and its texture
// coordinate before the texture matrix, the quad's own at that spot:
// s = x + 0.5, t = 0.5 - y (t = 0 along the top edge).
struct OutlinePoint {
    float x = 0, y = 0;
    float s = 0, t = 0;
};

struct QuadOutline {
    bool whole = true;    // the plain unit quad; points is then empty
    bool opaque = false;  // every texel the quad can sample is opaque
    // Convex pieces one after another, each counter-clockwise seen from +z;
    // not whole and no pieces means nothing of the picture can show.
    std::vector<OutlinePoint> points;
    std::vector<int> pieceSizes;
};

// The outline for a quad whose texture coordinates go through the texture
// matrix texOffset + texScale * (s, t) (no matrix: offset 0, scale 1). Wrapping
// repeats the picture, so texels across its edges count too.
QuadOutline outlineQuad(const PictureCoverage& coverage, const float texOffset[2], const float texScale[2]);
