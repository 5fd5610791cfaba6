// A tooth's outline and enamel, in the tooth's own units.
#include "tools/pictures/tooth_look.h"

#include <algorithm>
#include <cmath>

#include "tools/pictures/distance.h"
#include "tools/pictures/noise.h"
#include "tools/pictures/painting.h"

// Half the tooth's width at y: widest where it leaves the gum, narrowing
// toward the bite, so a row of teeth reads as hanging from (or standing in) the gum.
double toothHalfWidth(const ToothShape& shape, double y) {
    return shape.halfWidth * (1 - shape.taper * clamp01(y / shape.length));
}

// How far the biting edge reaches at x.
double toothEdge(const ToothShape& shape, double x) {
    double u = x / shape.halfWidth;
    double softPoint = std::sqrt(u * u + 0.02) - std::sqrt(0.02);
    return shape.length - shape.edgeBulge * u * u - shape.point * softPoint -
           shape.slant * 0.5 * (1 - shape.slantSide * u);
}

double toothBodyDistance(const ToothShape& shape, Vec2 p) {
    double side = std::fabs(p.x) - toothHalfWidth(shape, p.y);
    return roundMax(side, p.y - toothEdge(shape, p.x), shape.cornerRadius);
}

// The same outline with the creases inside smoothed away, for lighting only:
// a plain distance field folds along the corners' bisectors and would light
// them as ridges.
double toothSurfaceDistance(const ToothShape& shape, Vec2 p) {
    double side = std::fabs(p.x) - toothHalfWidth(shape, p.y);
    double crown = p.y - toothEdge(shape, p.x);
    double softness = 0.6 * shape.halfWidth;
    double h = std::max(softness - std::fabs(side - crown), 0.0) / softness;
    return std::max(side, crown) + h * h * softness * 0.25;
}

// Above zero where the gum covers the tooth: the gum arches over each tooth.
double toothGumDistance(const ToothShape& shape, Vec2 p) {
    double u = p.x / shape.halfWidth;
    return shape.gumArch * u * u - p.y;
}

namespace {

const Color enamel = rgb(0.975, 0.97, 0.955);
const Color neckShade = rgb(0.84, 0.815, 0.80);
const Color edgeTranslucent = rgb(0.86, 0.9, 0.96);
const Color outline = rgb(0.56, 0.56, 0.62);

}  // namespace

Color enamelBase(double along) {
    Color c = mixColor(enamel, neckShade, 0.6 * (1 - smoothstep(0.0, 0.3, along)));
    return mixColor(c, edgeTranslucent, 0.4 * smoothstep(0.8, 1.0, along));
}

Color finishEnamel(Color base, double lit, double gloss, double speckle, double outlineWeight) {
    Color c = scaled(base, std::min(1.02, 0.64 + 0.4 * lit));
    c = mixColor(c, rgb(1, 1, 1), 0.55 * gloss);
    c = scaled(c, 1 + 0.035 * speckle);
    c = mixColor(c, outline, 0.85 * outlineWeight);
    c.r = clamp01(c.r);
    c.g = clamp01(c.g);
    c.b = clamp01(c.b);
    return c;
}

Color enamelColour(const ToothShape& shape, Vec2 p, double d, double pixel, double screenUp, std::uint32_t grainSalt) {
    auto surface = [&](Vec2 q) { return toothSurfaceDistance(shape, q); };
    double lit = pillowLight(surface, p, 0.6 * shape.halfWidth, 0.75 * pixel, screenUp);
    // A soft gloss down the lit side of the crown.
    Vec2 glossCentre{-0.38 * shape.halfWidth, 0.58 * shape.length};
    double glossDistance = ellipseDistance(p, glossCentre, {0.13 * shape.halfWidth, 0.28 * shape.length});
    double gloss = 1 - smoothstep(-0.1 * shape.halfWidth, 0.14 * shape.halfWidth, glossDistance);
    double speckle = grain(Vec2{p.x / 9, p.y / 14}, grainSalt) - 0.5;
    // Outline the crown, but not the gum line, where the tooth fades into the gum.
    double gumSide = toothGumDistance(shape, p);
    double outlineWeight = rim(d, 2.2 * pixel) * smoothstep(0.0, 8 * pixel, -gumSide);
    Color c = finishEnamel(enamelBase(p.y / shape.length), lit, gloss, speckle, outlineWeight);
    // Nothing shows past the gum end: in the atlas, the row beyond belongs to another picture.
    c.a = smoothstep(0.5 * pixel, 0.035 * shape.length, -gumSide);
    return c;
}
