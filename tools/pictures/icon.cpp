// The desktop icon: a tooth in the game's enamel with the game's bacterium
// climbing it, on a clear background. Drawn afresh at each size from
// the same shapes, so the small icons stay sharp rather than being shrunk.
#include <algorithm>

#include "tools/pictures/bacteria.h"
#include "tools/pictures/colour.h"
#include "tools/pictures/distance.h"
#include "tools/pictures/noise.h"
#include "tools/pictures/pictures.h"
#include "tools/pictures/tooth_look.h"

namespace {

constexpr double iconUnits = 100;  // the icon is 100 units square, y up, origin in the middle

// A frame over the whole icon whose shape origin sits at `origin` (icon
// units) and whose units are `scale` icon units each.
Frame iconFrame(const Picture& icon, Vec2 origin, double scale) {
    double unitsPerPixel = iconUnits / icon.width;
    Frame frame = wholePicture(icon, unitsPerPixel / scale, unitsPerPixel / scale);
    frame.originX += origin.x / unitsPerPixel;
    frame.originY -= origin.y / unitsPerPixel;
    return frame;
}

}  // namespace

Picture drawIcon(int side) {
    Picture icon = makePicture(side, side);
    double pixel = iconUnits / side;
    Frame whole = wholePicture(icon, pixel, pixel);

    // A molar, the shape everyone reads as a tooth even at 48 pixels: a crown
    // with two cusps and two roots, joined with fillets.
    const double crownTop = 40;
    const double rootTip = -44;
    auto molar = [&](Vec2 p) {
        double crown = roundedBoxDistance(p, {-10, 14}, {33, 22}, 16);
        double cusps = std::min(circleDistance(p, {-25, 24}, 16), circleDistance(p, {5, 24}, 16));
        double top = roundMin(crown, cusps, 6);
        top = roundMax(top, -circleDistance(p, {-10, 50}, 11), 5);  // the groove between the cusps
        double roots =
            std::min(capsuleDistance(p, {-25, 0}, {-30, -35}, 9.5), capsuleDistance(p, {5, 0}, {10, -35}, 9.5));
        return roundMin(top, roots, 9);
    };
    // As many pixels of outline as a tooth in the atlas has, but no thinner
    // than 1.6 units, so the large icons keep a line the eye can follow.
    double outlineWidth = std::max(2.2 * pixel, 1.6);
    paintShape(icon, whole, molar, [&](Vec2 p, double d) {
        double lit = pillowLight(molar, p, 16, pixel, 1);
        double glossDistance = ellipseDistance(p, {-30, 20}, {5, 10});
        double gloss = 1 - smoothstep(-1.5, 3.0, glossDistance);
        double speckle = grain(Vec2{p.x / 9, p.y / 14}, 100) - 0.5;
        Color base = enamelBase((p.y - rootTip) / (crownTop - rootTip));
        return finishEnamel(base, lit, gloss, speckle, rim(d, outlineWidth));
    });

    paintBacterium(icon, iconFrame(icon, {25, -11}, 1.25));
    return icon;
}
