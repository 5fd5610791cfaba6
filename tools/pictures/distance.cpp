// The distance functions of the basic shapes and their rounded joins.
#include "tools/pictures/distance.h"

#include <algorithm>
#include <cstddef>

double circleDistance(Vec2 p, Vec2 centre, double radius) { return length(p - centre) - radius; }

double ellipseDistance(Vec2 p, Vec2 centre, Vec2 radii) {
    Vec2 q = p - centre;
    Vec2 scaled{q.x / radii.x, q.y / radii.y};
    Vec2 scaledTwice{q.x / (radii.x * radii.x), q.y / (radii.y * radii.y)};
    double k0 = length(scaled);
    double k1 = length(scaledTwice);
    if (k1 <= 0) return -std::min(radii.x, radii.y);
    return k0 * (k0 - 1) / k1;
}

double capsuleDistance(Vec2 p, Vec2 a, Vec2 b, double radius) {
    Vec2 pa = p - a;
    Vec2 ba = b - a;
    double along = clamp01(dot(pa, ba) / dot(ba, ba));
    return length(pa - ba * along) - radius;
}

double roundedBoxDistance(Vec2 p, Vec2 centre, Vec2 half, double radius) {
    double qx = std::fabs(p.x - centre.x) - half.x + radius;
    double qy = std::fabs(p.y - centre.y) - half.y + radius;
    double outside = length({std::max(qx, 0.0), std::max(qy, 0.0)});
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

double strokeDistance(Vec2 p, const std::vector<Vec2>& line, double radius) {
    if (line.empty()) return 1e9;
    double best = length(p - line.front());
    for (std::size_t i = 1; i < line.size(); ++i) best = std::min(best, capsuleDistance(p, line[i - 1], line[i], 0));
    return best - radius;
}

double roundMax(double a, double b, double radius) {
    double ua = std::max(a + radius, 0.0);
    double ub = std::max(b + radius, 0.0);
    return std::min(-radius, std::max(a, b)) + std::sqrt(ua * ua + ub * ub);
}

double roundMin(double a, double b, double radius) { return -roundMax(-a, -b, radius); }
