// Value noise: a hashed value at each lattice point, blended smoothly between.
#include "tools/pictures/noise.h"

#include <cmath>

namespace {

double latticeValue(std::int64_t x, std::int64_t y, std::uint32_t salt) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u;
    h ^= static_cast<std::uint32_t>(y) * 0xd8163841u;
    h ^= salt * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<double>(h & 0xffffu) / 65535.0;
}

}  // namespace

double valueNoise(Vec2 p, std::uint32_t salt) {
    double fx = std::floor(p.x);
    double fy = std::floor(p.y);
    auto ix = static_cast<std::int64_t>(fx);
    auto iy = static_cast<std::int64_t>(fy);
    double tx = p.x - fx;
    double ty = p.y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    double top = mix(latticeValue(ix, iy, salt), latticeValue(ix + 1, iy, salt), tx);
    double bottom = mix(latticeValue(ix, iy + 1, salt), latticeValue(ix + 1, iy + 1, salt), tx);
    return mix(top, bottom, ty);
}

double grain(Vec2 p, std::uint32_t salt) {
    double sum =
        0.5 * valueNoise(p, salt) + 0.25 * valueNoise(p * 2.03, salt + 1) + 0.125 * valueNoise(p * 4.11, salt + 2);
    return sum / 0.875;
}
