// Colours while drawing (doubles, 0 to 1) and the one light every picture in
// the game is lit by.
#pragma once

#include <algorithm>
#include <cmath>

#include "tools/pictures/maths.h"

struct Color {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;
};

inline Color rgb(double r, double g, double b, double a = 1) { return {r, g, b, a}; }
Color mixColor(Color from, Color to, double t);
// Brightness times k, alpha kept.
Color scaled(Color c, double k);

// Lit from the upper left and in front, as every picture in the game is.
struct Light {
    double x = -0.42;
    double y = 0.5;
    double z = 0.76;
};

// How a pillow-shaped surface, rising from its outline over `bevel` units,
// faces the light at p: 1 facing it, 0 side on. `upSign` is +1 when the
// frame's y runs up the screen, -1 when it runs down.
template <typename Distance>
double pillowLight(Distance distance, Vec2 p, double bevel, double step, double upSign) {
    auto height = [&](Vec2 q) {
        double t = clamp01(-distance(q) / bevel);
        return std::sqrt(1 - (1 - t) * (1 - t));
    };
    double gx = (height(Vec2{p.x + step, p.y}) - height(Vec2{p.x - step, p.y})) / (2 * step) * bevel;
    double gy = (height(Vec2{p.x, p.y + step}) - height(Vec2{p.x, p.y - step})) / (2 * step) * bevel;
    double nx = -gx;
    double ny = -gy * upSign;
    double nz = 1;
    double norm = std::sqrt(nx * nx + ny * ny + nz * nz);
    Light light;
    double lightNorm = std::sqrt(light.x * light.x + light.y * light.y + light.z * light.z);
    return std::max(0.0, (nx * light.x + ny * light.y + nz * light.z) / (norm * lightNorm));
}
