// The food: a wrapped peppermint sweet, tilted as if tossed, with frilled
// wrapper ends.
#include <algorithm>
#include <cmath>

#include "tools/pictures/colour.h"
#include "tools/pictures/distance.h"
#include "tools/pictures/pictures.h"

namespace {

constexpr int foodSide = 64;

}  // namespace

// A wrapped sweet: striped round middle, twisted wrapper ends, drawn 50 wide.
Picture drawFood() {
    Picture picture = makePicture(foodSide, foodSide);
    Frame frame = wholePicture(picture, 1, 1);
    const double tilt = 0.45;  // radians, so it looks tossed rather than placed
    auto local = [&](Vec2 p) { return rotate(p, -tilt); };
    const Color wrapper = rgb(0.99, 0.82, 0.30);
    const Color wrapperDark = rgb(0.75, 0.50, 0.12);

    for (double side : {-1.0, 1.0}) {
        // A fan from the twist out to a frilled end.
        auto fan = [&, side](Vec2 p) {
            Vec2 q = local(p);
            double x = q.x * side;
            double spread = 3.5 + (x - 13) * 0.62;
            double frill = 0.8 * waveSin(q.y * 1.3);
            double across = std::fabs(q.y) - spread;
            double ends = std::max(13 - x, x - (26 + frill));
            return roundMax(across, ends, 1.5);
        };
        paintShape(picture, frame, fan, [&, side](Vec2 p, double d) {
            Vec2 q = local(p);
            double pleat = 0.5 + 0.5 * waveSin(q.y * 1.35 / (1 + 0.05 * (q.x * side - 13)));
            Color c = mixColor(wrapper, wrapperDark, 0.35 * pleat);
            return mixColor(c, wrapperDark, rim(d, 1.6));
        });
        // The twist.
        auto knot = [&, side](Vec2 p) {
            Vec2 q = local(p);
            return roundedBoxDistance(q, {side * 14, 0}, {2.6, 4.6}, 1.5);
        };
        paintShape(picture, frame, knot,
                   [&](Vec2, double d) { return mixColor(rgb(0.90, 0.66, 0.2), wrapperDark, rim(d, 1.6)); });
    }

    auto sweet = [&](Vec2 p) { return ellipseDistance(local(p), {0, 0}, {13.5, 12.5}); };
    paintShape(picture, frame, sweet, [&](Vec2 p, double d) {
        Vec2 q = local(p);
        // Peppermint swirl: six red vanes curling round the middle, edges
        // softened by how many pixels a vane spans at this radius.
        double r = length(q);
        double swirl = angleOf(q) * (6 / (2 * pi)) + r / 11;
        double vane = std::fabs(swirl - std::floor(swirl) - 0.5) * 2;
        double soft = std::min(0.5, 6 / (2 * pi * std::max(r, 0.5)));
        double stripe = smoothstep(0.5 - soft, 0.5 + soft, vane);
        Color c = mixColor(rgb(0.98, 0.95, 0.94), rgb(0.88, 0.14, 0.22), stripe);
        double lit = pillowLight(sweet, p, 8, 0.5, 1);
        c = scaled(c, 0.6 + 0.45 * lit);
        double gloss = 1 - smoothstep(-0.5, 2.0, ellipseDistance(p, {-4.5, 5}, {3.5, 2.2}));
        c = mixColor(c, rgb(1, 1, 1), 0.8 * gloss);
        c.r = clamp01(c.r);
        c.g = clamp01(c.g);
        c.b = clamp01(c.b);
        return mixColor(c, rgb(0.50, 0.08, 0.12), rim(d, 1.6));
    });
    return picture;
}
