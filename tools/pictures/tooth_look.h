// The look of the game's teeth: an outline (a distance field in the
// tooth's own units, from the gum at y = 0 to the biting edge) and its enamel,
// lit from the upper left. Shared by the tooth atlas and the icon.
#pragma once

#include <cstdint>

#include "tools/pictures/colour.h"
#include "tools/pictures/maths.h"

// The outline of one tooth, in drawn canvas units: x across from the middle,
// y along the tooth from the gum (0) to the biting edge.
struct ToothShape {
    double halfWidth;     // at the gum, the widest
    double length;        // from the gum to the tip
    double taper;         // how much narrower the biting end is than the gum end
    double gumArch;       // how far the gum line dips at the tooth's sides
    double cornerRadius;  // of the crown's corners
    double point;         // how far a canine's point stands out from its edge
    double edgeBulge;     // how round an incisor's biting edge is
    double slant;         // how much shorter the side away from the middle of the mouth is
    double slantSide;     // +1 when the middle of the mouth is at +x, -1 at -x
};

// Half the tooth's width at y.
double toothHalfWidth(const ToothShape& shape, double y);
// How far the biting edge reaches at x.
double toothEdge(const ToothShape& shape, double x);
double toothBodyDistance(const ToothShape& shape, Vec2 p);
// The outline with its inner creases smoothed away, for lighting only.
double toothSurfaceDistance(const ToothShape& shape, Vec2 p);
// Above zero where the gum covers the tooth.
double toothGumDistance(const ToothShape& shape, Vec2 p);

// The enamel's colour along a tooth, before light: shaded at the neck (0),
// translucent toward the biting edge (1).
Color enamelBase(double along);
// Light (0 to 1), gloss (0 to 1), speckle (about -0.5 to 0.5) and outline
// (0 to 1) laid over an enamel base.
Color finishEnamel(Color base, double lit, double gloss, double speckle, double outlineWeight);

// The enamel of a game tooth at p, d from the outline: shaded from the neck to the
// translucent edge, lit, glossed, speckled, outlined round the crown and
// fading out where the gum covers it. `pixel` is the size of a pixel in the
// tooth's units; `screenUp` is +1 when the tooth's y runs up the picture.
Color enamelColour(const ToothShape& shape, Vec2 p, double d, double pixel, double screenUp, std::uint32_t grainSalt);
