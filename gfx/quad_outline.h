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

// Rectangles of the unit quad, four corners each, counter-clockwise seen from
// +z starting at the bottom left, as the quad itself.
struct OutlineRects {
    std::vector<OutlinePoint> corners;
    double share = 1;  // of the quad's area
};

struct QuadOutline {
    bool whole = true;    // the plain unit quad; the rectangles are then empty
    bool opaque = false;  // every texel the quad can sample is opaque
    // Not whole and no rectangles: nothing of the picture can show.
    // For sprites drawn upright: bands that may share their horizontal edges,
    // which stay exactly horizontal on the screen, so no pixel along a seam is
    // drawn twice or missed.
    OutlineRects upright;
    // For turned sprites: rectangles that never touch, since a seam at an
    // angle could leave or double a pixel where one rectangle's corner lies on
    // the other's edge.
    OutlineRects turned;
    // False until the turned rectangles are worked out (addTurnedOutline):
    // many sprites are never drawn turned.
    bool turnedReady = true;
};

// The outline for a quad whose texture coordinates go through the texture
// matrix texOffset + texScale * (s, t) (no matrix: offset 0, scale 1). Wrapping
// repeats the picture, so texels across its edges count too. spriteArea, the
// quad's size on the canvas, weighs fewer fragments against more rectangles.
// Without turnedNow the turned rectangles may be left for addTurnedOutline,
// which, given the same arguments, makes them as outlineQuad would have.
QuadOutline outlineQuad(const PictureCoverage& coverage, const float texOffset[2], const float texScale[2],
                        double spriteArea, bool turnedNow = true);
void addTurnedOutline(QuadOutline& outline, const PictureCoverage& coverage, const float texOffset[2],
                      const float texScale[2], double spriteArea);
