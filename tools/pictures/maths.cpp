// Sine and angle by series, so no C library rounding reaches the pictures.
#include "tools/pictures/maths.h"

#include <cmath>

double length(Vec2 a) { return std::sqrt(a.x * a.x + a.y * a.y); }

double smoothstep(double edge0, double edge1, double x) {
    double t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// Our own sine: the C library's may round differently on another system, and
// the committed pictures must come out byte for byte the same.
double waveSin(double x) {
    x -= std::floor(x / (2 * pi) + 0.5) * 2 * pi;
    if (x > pi / 2) x = pi - x;
    if (x < -pi / 2) x = -pi - x;
    double x2 = x * x;
    return x * (1 - x2 / 6 * (1 - x2 / 20 * (1 - x2 / 42 * (1 - x2 / 72 * (1 - x2 / 110 * (1 - x2 / 156))))));
}

double waveCos(double x) { return waveSin(x + pi / 2); }

// Built on sqrt alone for the same reason.
double angleOf(Vec2 p) {
    double ax = std::fabs(p.x);
    double ay = std::fabs(p.y);
    if (ax == 0 && ay == 0) return 0;
    bool steep = ay > ax;
    double t = steep ? ax / ay : ay / ax;
    // Halve the angle twice (tan(a/2) = t / (1 + sqrt(1 + t^2))) so the series converges fast.
    t = t / (1 + std::sqrt(1 + t * t));
    t = t / (1 + std::sqrt(1 + t * t));
    double t2 = t * t;
    double angle = 4 * t * (1 - t2 * (1.0 / 3 - t2 * (1.0 / 5 - t2 * (1.0 / 7 - t2 / 9))));
    if (steep) angle = pi / 2 - angle;
    if (p.x < 0) angle = pi - angle;
    return p.y < 0 ? -angle : angle;
}

Vec2 rotate(Vec2 p, double radians) {
    double c = waveCos(radians);
    double s = waveSin(radians);
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}
