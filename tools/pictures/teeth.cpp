// The tooth atlas: every tooth in the game's tooth table, drawn into its
// atlas cell at the size the game draws it, enamel lit from the upper left,
// with an outline round the crown and a soft fade where the gum covers it.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "game/tooth_layout.h"
#include "tools/pictures/colour.h"
#include "tools/pictures/distance.h"
#include "tools/pictures/noise.h"
#include "tools/pictures/pictures.h"

namespace {

constexpr int atlasSide = 1024;
constexpr int atlasColumns = 6;

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

ToothShape shapeForTooth(int index, double unitsPerPixel) {
    const ToothLayout& place = toothLayouts[index];
    double w = place.width;
    double h = place.height;
    // A few pixels of clear border keep neighbouring cells from bleeding into
    // each other under linear filtering.
    ToothShape shape{};
    shape.halfWidth = 0.5 * w - 3 * unitsPerPixel;
    shape.length = h - 2.5 * unitsPerPixel;
    shape.gumArch = 0.035 * h;
    shape.taper = 0.1;
    shape.cornerRadius = 0.26 * w;
    shape.edgeBulge = 0.035 * h;
    // The mouth's middle lies between upper cells 2 and 3 and lower cells 2 and 3;
    // the teeth at either end of each row are canines.
    bool upper = place.atlasRow == 0;
    int column = place.atlasColumn;
    bool canine = (upper && column == 0) || (!upper && (column == 0 || column == 5));
    bool central = column == 2 || column == 3;
    if (canine) {
        shape.point = 0.12 * h;
        shape.cornerRadius = 0.2 * w;
        shape.edgeBulge = 0;
        shape.taper = 0.14;
    } else if (central) {
        shape.cornerRadius = upper ? 0.15 * w : 0.2 * w;
        shape.edgeBulge = 0.02 * h;
        shape.slant = 0.04 * h;
        shape.slantSide = column == 2 ? 1 : -1;
        shape.taper = upper ? 0.07 : 0.1;
    }
    return shape;
}

void paintTooth(Picture& atlas, int index) {
    const ToothLayout& place = toothLayouts[index];
    double columnWidth = static_cast<double>(atlasSide) / atlasColumns;
    double unitsPerPixel = place.width / columnWidth;
    double stripHeight = static_cast<double>(place.height) / place.width * columnWidth;
    double stripLeft = place.atlasColumn * columnWidth;
    double stripTop = place.atlasRow * atlasSide * 0.5;
    bool upper = place.atlasRow == 0;

    // Upper teeth hang from the top of their strip, lower teeth stand on its bottom.
    Frame frame;
    frame.originX = stripLeft + 0.5 * columnWidth;
    frame.originY = upper ? stripTop : stripTop + stripHeight;
    frame.unitsPerPixelX = unitsPerPixel;
    frame.unitsPerPixelY = unitsPerPixel;
    frame.upSign = upper ? -1 : 1;
    frame.left = static_cast<int>(std::floor(stripLeft));
    frame.right = static_cast<int>(std::ceil(stripLeft + columnWidth));
    frame.top = static_cast<int>(std::floor(stripTop));
    frame.bottom = static_cast<int>(std::ceil(stripTop + stripHeight));
    // The screen's up, seen from the tooth: toward the gum for an upper tooth.
    double screenUp = upper ? -1 : 1;

    ToothShape shape = shapeForTooth(index, unitsPerPixel);
    auto body = [&](Vec2 p) { return toothBodyDistance(shape, p); };
    double pixel = unitsPerPixel;
    auto grainSalt = static_cast<std::uint32_t>(100 + index);

    const Color enamel = rgb(0.975, 0.97, 0.955);
    const Color neckShade = rgb(0.84, 0.815, 0.80);
    const Color edgeTranslucent = rgb(0.86, 0.9, 0.96);
    const Color outline = rgb(0.56, 0.56, 0.62);

    paintShape(atlas, frame, body, [&](Vec2 p, double d) {
        double along = p.y / shape.length;
        Color c = mixColor(enamel, neckShade, 0.6 * (1 - smoothstep(0.0, 0.3, along)));
        c = mixColor(c, edgeTranslucent, 0.4 * smoothstep(0.8, 1.0, along));
        auto surface = [&](Vec2 q) { return toothSurfaceDistance(shape, q); };
        double lit = pillowLight(surface, p, 0.6 * shape.halfWidth, 0.75 * pixel, screenUp);
        c = scaled(c, std::min(1.02, 0.64 + 0.4 * lit));
        // A soft gloss down the lit side of the crown.
        Vec2 glossCentre{-0.38 * shape.halfWidth, 0.58 * shape.length};
        double glossDistance = ellipseDistance(p, glossCentre, {0.13 * shape.halfWidth, 0.28 * shape.length});
        double gloss = 1 - smoothstep(-0.1 * shape.halfWidth, 0.14 * shape.halfWidth, glossDistance);
        c = mixColor(c, rgb(1, 1, 1), 0.55 * gloss);
        double speckle = grain(Vec2{p.x / 9, p.y / 14}, grainSalt) - 0.5;
        c = scaled(c, 1 + 0.035 * speckle);
        // Outline the crown, but not the gum line, where the tooth fades into the gum.
        double gumSide = toothGumDistance(shape, p);
        double outlineWeight = rim(d, 2.2 * pixel) * smoothstep(0.0, 8 * pixel, -gumSide);
        c = mixColor(c, outline, 0.85 * outlineWeight);
        c.r = clamp01(c.r);
        c.g = clamp01(c.g);
        c.b = clamp01(c.b);
        // Nothing spills past the cell's gum end: the row beyond belongs to another picture.
        c.a = smoothstep(0.5 * pixel, 0.035 * shape.length, -gumSide);
        return c;
    });
}

}  // namespace

Picture drawTeeth() {
    Picture atlas = makePicture(atlasSide, atlasSide);
    for (int i = 0; i < toothCount; ++i) paintTooth(atlas, i);
    return atlas;
}
