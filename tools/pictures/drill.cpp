// The drill: a steel dental handpiece with a diamond bur, shaded as metal
// cylinders, bur to the left.
#include <algorithm>
#include <cmath>

#include "tools/pictures/colour.h"
#include "tools/pictures/distance.h"
#include "tools/pictures/noise.h"
#include "tools/pictures/pictures.h"

namespace {

constexpr double drillSide = 800;  // drawn 800 canvas units square

// Shading of a metal cylinder lying along x: bright band above the middle,
// dark at the rims. `across` runs -1 (bottom) to 1 (top).
Color metal(Color base, double across) {
    double a = std::max(-1.0, std::min(1.0, across));
    double facing = std::sqrt(1 - a * a);
    Color c = scaled(base, 0.35 + 0.55 * facing);
    double band = 1 - smoothstep(0.0, 0.22, std::fabs(a - 0.45));
    return mixColor(c, rgb(1, 1, 1), 0.7 * band);
}

}  // namespace

// A straight dental handpiece, bur to the left since it creeps in from the
// right, with the hose leaving at the right.
Picture drawDrill() {
    Picture picture = makePicture(toolSide, toolSide);
    double unitsPerPixel = drillSide / toolSide;
    Frame frame = wholePicture(picture, unitsPerPixel, unitsPerPixel);
    double pixel = unitsPerPixel;
    const Color steel = rgb(0.78, 0.81, 0.86);
    const Color edge = rgb(0.22, 0.25, 0.30);

    // Radius of the handpiece along its length: nose cone, grip, body, coupling.
    auto radiusAt = [](double x) {
        if (x < -200) return 0.0;
        if (x < -70) return mix(13.0, 27.0, smoothstep(-200, -70, x));
        if (x < 330) return 30.0 + 2.0 * smoothstep(-70, 20, x);
        return 26.0;
    };
    auto hose = [&](Vec2 p) { return roundedBoxDistance(p, {362, -2}, {26, 17}, 6); };
    paintShape(picture, frame, hose, [&](Vec2 p, double d) {
        Color c = metal(rgb(0.32, 0.34, 0.38), (p.y + 2) / 17);
        return mixColor(c, edge, rim(d, 2 * pixel));
    });

    auto bur = [&](Vec2 p) {
        double shaft = capsuleDistance(p, {-292, 0}, {-190, 0}, 4.4);
        double head = circleDistance(p, {-300, 0}, 12);
        return roundMin(shaft, head, 3);
    };
    paintShape(picture, frame, bur, [&](Vec2 p, double d) {
        bool onHead = p.x < -284;
        Color c = metal(onHead ? rgb(0.95, 0.80, 0.45) : steel, p.y / (onHead ? 12 : 4.4));
        if (onHead) c = scaled(c, 0.8 + 0.35 * grain(p * 0.9, 7));  // diamond grit
        c.r = clamp01(c.r);
        c.g = clamp01(c.g);
        c.b = clamp01(c.b);
        return mixColor(c, edge, rim(d, 1.6 * pixel));
    });

    auto handpiece = [&](Vec2 p) {
        double r = radiusAt(p.x);
        double along = std::max(-202 - p.x, p.x - 340);
        double across = std::fabs(p.y) - r;
        return roundMax(across, along, 6);
    };
    paintShape(picture, frame, handpiece, [&](Vec2 p, double d) {
        double r = std::max(radiusAt(p.x), 1.0);
        Color base = steel;
        // Knurled grip near the nose, a blue band marking the speed, a seam at the coupling.
        bool knurl = p.x > -40 && p.x < 90;
        if (knurl) base = scaled(base, 0.85 + 0.15 * (waveSin(p.x * 0.9) > 0 ? 1 : 0));
        double ring = 1 - smoothstep(6, 8, std::fabs(p.x - 140));
        base = mixColor(base, rgb(0.25, 0.50, 0.90), ring);
        double seam = 1 - smoothstep(0.8, 2.2, std::fabs(p.x - 300));
        base = scaled(base, 1 - 0.45 * seam);
        Color c = metal(base, p.y / r);
        return mixColor(c, edge, rim(d, 2 * pixel));
    });
    return picture;
}
