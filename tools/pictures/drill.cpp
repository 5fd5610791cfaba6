// The drill: a steel dental handpiece with a diamond bur, shaded as metal
// cylinders, bur to the left. At work (the sprite at the canvas centre) its
// bur waits at the right-hand end of the bite, clear of every tooth, since the
// strike repairs a tooth picked at random rather than the one it points at.
#include <algorithm>
#include <cmath>

#include "tools/pictures/colour.h"
#include "tools/pictures/distance.h"
#include "tools/pictures/noise.h"
#include "tools/pictures/pictures.h"

namespace {

constexpr double drillSide = 800;  // drawn 800 canvas units square

// Shapes are in canvas units with the drill at work. The two rows of teeth
// overlap all along the bite, so the only place a bur can stand off every
// tooth is where the bite ends, right of the last upper molar and below its
// crown.
constexpr double axisY = -30;
constexpr double burX = 303;       // centre of the bur's head
constexpr double burRadius = 10;   // its leftmost point is the drill's tip
constexpr double noseX = 338;      // where the handpiece's nose begins
constexpr double fadeStart = 390;  // the body fades out at the window's edge
constexpr double bodyEnd = 398;    // clear of the picture's right edge, which repeats onto its left

// Shading of a metal cylinder lying along x: bright band above the middle,
// dark at the rims. `across` runs -1 (bottom) to 1 (top).
Color metal(Color base, double across) {
    double a = std::max(-1.0, std::min(1.0, across));
    double facing = std::sqrt(1 - a * a);
    Color c = scaled(base, 0.35 + 0.55 * facing);
    double band = 1 - smoothstep(0.0, 0.22, std::fabs(a - 0.45));
    return mixColor(c, rgb(1, 1, 1), 0.7 * band);
}

Color clampColour(Color c) {
    c.r = clamp01(c.r);
    c.g = clamp01(c.g);
    c.b = clamp01(c.b);
    return c;
}

}  // namespace

// A straight dental handpiece coming in from the right along the bite.
Picture drawDrill() {
    Picture picture = makePicture(toolSide, toolSide);
    double unitsPerPixel = drillSide / toolSide;
    Frame frame = wholePicture(picture, unitsPerPixel, unitsPerPixel);
    double pixel = unitsPerPixel;
    const Color steel = rgb(0.78, 0.81, 0.86);
    const Color edge = rgb(0.22, 0.25, 0.30);

    auto bur = [&](Vec2 p) {
        double shaft = capsuleDistance(p, {burX, axisY}, {noseX + 6, axisY}, 4);
        double head = circleDistance(p, {burX, axisY}, burRadius);
        return roundMin(shaft, head, 3);
    };
    paintShape(picture, frame, bur, [&](Vec2 p, double d) {
        bool onHead = p.x < burX + burRadius + 2;
        double across = (p.y - axisY) / (onHead ? burRadius : 4);
        Color c = metal(onHead ? rgb(0.95, 0.80, 0.45) : steel, across);
        if (onHead) c = scaled(c, 0.8 + 0.35 * grain(p * 0.9, 7));  // diamond grit
        return mixColor(clampColour(c), edge, rim(d, 1.6 * pixel));
    });

    // Radius of the handpiece along its length: nose cone, then the grip.
    auto radiusAt = [](double x) { return mix(12.0, 31.0, smoothstep(noseX, noseX + 30, x)); };
    auto handpiece = [&](Vec2 p) {
        double across = std::fabs(p.y - axisY) - radiusAt(p.x);
        double along = std::max(noseX - p.x, p.x - bodyEnd);
        return roundMax(across, along, 4);
    };
    paintShape(picture, frame, handpiece, [&](Vec2 p, double d) {
        Color base = steel;
        // A knurled grip behind the nose and a blue band marking the speed.
        if (p.x > noseX + 40) base = scaled(base, 0.85 + 0.15 * (waveSin(p.x * 0.9) > 0 ? 1 : 0));
        double ring = 1 - smoothstep(3, 5, std::fabs(p.x - (noseX + 36)));
        base = mixColor(base, rgb(0.25, 0.50, 0.90), ring);
        Color c = metal(base, (p.y - axisY) / radiusAt(p.x));
        c = mixColor(c, edge, rim(d, 2 * pixel));
        c.a = smoothstep(bodyEnd, fadeStart, p.x);
        return c;
    });
    return picture;
}
