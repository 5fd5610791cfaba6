// The bacterium: a green, lit body with cilia, a wavy tail, big eyes and a
// grin, facing up the way it swims.
#include "tools/pictures/bacteria.h"

#include <algorithm>
#include <cmath>

#include "tools/pictures/colour.h"
#include "tools/pictures/distance.h"
#include "tools/pictures/pictures.h"

namespace {

constexpr int bacteriumSide = 64;

}  // namespace

// The sprite is drawn 40 units wide in the game, so lines are kept at least
// 1.6 units wide to survive the shrink. Faces up, the way it swims.
void paintBacterium(Picture& picture, const Frame& frame) {
    const Vec2 bodyCentre{0, 1};
    const Vec2 bodyRadii{13, 17.5};
    auto body = [&](Vec2 p) { return ellipseDistance(p, bodyCentre, bodyRadii); };
    const Color skin = rgb(0.42, 0.80, 0.24);
    const Color darkSkin = rgb(0.13, 0.38, 0.10);

    // The tail: a wavy whip behind it.
    auto tail = [&](Vec2 p) {
        double best = 1e9;
        Vec2 previous{0, -14};
        for (int i = 1; i <= 16; ++i) {
            double y = -14 - i * 1.0;
            double sway = 3.2 * waveSin(i * 0.55) * (i / 16.0);
            Vec2 next{sway, y};
            double radius = 1.7 - 0.6 * i / 16.0;
            best = std::min(best, capsuleDistance(p, previous, next, radius));
            previous = next;
        }
        return best;
    };
    paintShape(picture, frame, tail, [&](Vec2, double) { return darkSkin; });

    // Cilia round the body, swept back a little as it swims.
    auto cilia = [&](Vec2 p) {
        double best = 1e9;
        constexpr int ciliaCount = 14;
        for (int i = 0; i < ciliaCount; ++i) {
            double angle = 2 * pi * (i + 0.5) / ciliaCount;
            Vec2 direction{waveSin(angle), waveCos(angle)};
            Vec2 root{bodyCentre.x + direction.x * (bodyRadii.x - 1), bodyCentre.y + direction.y * (bodyRadii.y - 1)};
            Vec2 tip = root + direction * 5.5 + Vec2{0, -1.8};
            best = std::min(best, capsuleDistance(p, root, tip, 0.85));
        }
        return best;
    };
    paintShape(picture, frame, cilia, [&](Vec2, double) { return rgb(0.22, 0.52, 0.16); });

    paintShape(picture, frame, body, [&](Vec2 p, double d) {
        double lit = pillowLight(body, p, 9, 0.5, 1);
        Color c = scaled(skin, 0.55 + 0.55 * lit);
        // Purple specks inside, so it reads as alive and stands out on enamel.
        const Vec2 specks[] = {{-6, -7}, {4, -10}, {6, -2}, {-2, -13}};
        for (const Vec2& speck : specks) {
            double s = 1 - smoothstep(-0.5, 0.8, circleDistance(p, speck, 1.9));
            c = mixColor(c, rgb(0.55, 0.30, 0.65), 0.85 * s);
        }
        double sheen = 1 - smoothstep(-0.5, 2.5, ellipseDistance(p, {-5, 9}, {2.5, 4}));
        c = mixColor(c, rgb(0.9, 1, 0.8), 0.5 * sheen);
        c.r = clamp01(c.r);
        c.g = clamp01(c.g);
        c.b = clamp01(c.b);
        return mixColor(c, darkSkin, rim(d, 1.8));
    });

    // A grin under the eyes.
    auto grin = [&](Vec2 p) {
        double arc = std::fabs(circleDistance(p, {0, 5}, 6.5)) - 0.9;
        return std::max(arc, p.y - 1.5);
    };
    paintShape(picture, frame, grin, [&](Vec2, double) { return rgb(0.16, 0.2, 0.12); });

    // Big eyes near the front, pupils looking ahead.
    for (double side : {-1.0, 1.0}) {
        Vec2 eye{side * 5.2, 9.5};
        auto white = [&](Vec2 p) { return circleDistance(p, eye, 4.6); };
        paintShape(picture, frame, white,
                   [&](Vec2, double d) { return mixColor(rgb(1, 1, 0.97), darkSkin, rim(d, 1.4)); });
        Vec2 pupil = eye + Vec2{side * -0.4, 1.4};
        paintShape(
            picture, frame, [&](Vec2 p) { return circleDistance(p, pupil, 2.3); },
            [](Vec2, double) { return rgb(0.12, 0.12, 0.16); });
        paintShape(
            picture, frame,
            [&](Vec2 p) {
                return circleDistance(p, pupil + Vec2{-0.8, 0.8}, 0.8);
            },
            [](Vec2, double) { return rgb(1, 1, 1); });
    }
}

// One unit a pixel, the body in the middle.
Picture drawBacterium() {
    Picture picture = makePicture(bacteriumSide, bacteriumSide);
    paintBacterium(picture, wholePicture(picture, 1, 1));
    return picture;
}
