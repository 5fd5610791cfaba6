// The tooth atlas: every tooth in the game's tooth table, drawn into its
// atlas cell at the size the game draws it, enamel lit from the upper left,
// with an outline round the crown and a soft fade where the gum covers it.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "game/tooth_layout.h"
#include "tools/pictures/colour.h"
#include "tools/pictures/distance.h"
#include "tools/pictures/pictures.h"
#include "tools/pictures/tooth_look.h"

namespace {

constexpr int atlasSide = 1024;
constexpr int atlasColumns = 6;

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

    paintShape(atlas, frame, body,
               [&](Vec2 p, double d) { return enamelColour(shape, p, d, pixel, screenUp, grainSalt); });
}

}  // namespace

Picture drawTeeth() {
    Picture atlas = makePicture(atlasSide, atlasSide);
    for (int i = 0; i < toothCount; ++i) paintTooth(atlas, i);
    return atlas;
}
