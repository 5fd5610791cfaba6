// The signs' plate.
#include "tools/pictures/plate.h"

#include "tools/pictures/colour.h"
#include "tools/pictures/distance.h"

void paintPlate(Picture& picture, const Frame& frame, Vec2 half, double corner) {
    const double feather = 3.5;
    const double plateAlpha = 0.78;
    const Color plateColour = rgb(0.13, 0.06, 0.09);
    double pixel = pixelSize(frame);
    auto plate = [&](Vec2 p) { return roundedBoxDistance(p, {0, 0}, half, corner); };
    paintShape(
        picture, frame, [&](Vec2 p) { return plate(p) - feather; },
        [&](Vec2 p, double) {
            double d = plate(p);
            double lit = pillowLight(plate, p, 8, pixel, 1);
            Color c = scaled(plateColour, 0.75 + 0.5 * lit);
            c.a = plateAlpha * smoothstep(feather, -feather, d);
            return c;
        });
}
