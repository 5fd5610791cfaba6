// Signed distances to the shapes pictures are drawn from: negative inside, in
// the units of the shape's frame, and the rounded unions and intersections
// that join them.
#pragma once

#include <cmath>
#include <vector>

#include "tools/pictures/maths.h"

double circleDistance(Vec2 p, Vec2 centre, double radius);
// A close approximation that is exact on the outline, which is all the edge
// smoothing needs.
double ellipseDistance(Vec2 p, Vec2 centre, Vec2 radii);
double capsuleDistance(Vec2 p, Vec2 a, Vec2 b, double radius);
double roundedBoxDistance(Vec2 p, Vec2 centre, Vec2 half, double radius);
// A pen stroke of the given radius along a line of points, round at its ends
// and its bends.
double strokeDistance(Vec2 p, const std::vector<Vec2>& line, double radius);

// Intersection of two shapes with the corner between them rounded off.
double roundMax(double a, double b, double radius);
// Union with a fillet where the two shapes meet.
double roundMin(double a, double b, double radius);

// Turns an implicit function (negative inside) into a distance near its
// zero line by dividing by the slope.
template <typename Field>
double implicitDistance(Field field, Vec2 p, double step) {
    double value = field(p);
    double gx = (field(Vec2{p.x + step, p.y}) - field(Vec2{p.x - step, p.y})) / (2 * step);
    double gy = (field(Vec2{p.x, p.y + step}) - field(Vec2{p.x, p.y - step})) / (2 * step);
    double slope = std::sqrt(gx * gx + gy * gy);
    return slope > 1e-9 ? value / slope : value;
}
