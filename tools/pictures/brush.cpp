// The toothbrush: a blue handle with a rubber grip and tufts of bristles,
// lying across the mouth with its head to the right.
#include <algorithm>

#include "tools/pictures/colour.h"
#include "tools/pictures/distance.h"
#include "tools/pictures/pictures.h"

namespace {

constexpr double brushWidth = 875;  // the game's drawn size, in canvas units
constexpr double brushHeight = 900;

}  // namespace

// A toothbrush lying across the mouth, head to the right (it enters from the
// left), bristles up. Shapes are in canvas units with the brush at rest in the
// middle of the screen.
Picture drawBrush() {
    Picture picture = makePicture(toolSide, toolSide);
    Frame frame = wholePicture(picture, brushWidth / toolSide, brushHeight / toolSide);
    double pixel = pixelSize(frame);
    const Color plastic = rgb(0.22, 0.55, 0.88);
    const Color plasticDark = rgb(0.10, 0.26, 0.50);
    const Color grip = rgb(0.45, 0.85, 0.78);

    // Handle and head in one piece: a long bar, a slimmer neck, an oblong head.
    const double headY = -42;
    auto handle = [&](Vec2 p) {
        double bend = 0.00012 * (p.x + 60) * (p.x + 60) * (p.x < -60 ? 1 : 0);
        Vec2 q{p.x, p.y - headY + bend};
        double bar = roundedBoxDistance(q, {-270, -14}, {150, 28}, 26);
        double neck = roundedBoxDistance(q, {-80, -6}, {70, 14}, 12);
        double head = roundedBoxDistance(q, {150, 0}, {195, 26}, 24);
        return roundMin(roundMin(bar, neck, 30), head, 26);
    };
    paintShape(picture, frame, handle, [&](Vec2 p, double d) {
        double lit = pillowLight(handle, p, 16, pixel, 1);
        Color c = scaled(plastic, 0.55 + 0.6 * lit);
        // A rubber grip on the handle.
        double gripArea = 1 - smoothstep(-2, 2, roundedBoxDistance(p, {-300, headY - 12}, {80, 40}, 18));
        double ridges = 0.5 + 0.5 * waveSin(p.x * 0.35);
        c = mixColor(c, scaled(grip, 0.75 + 0.3 * lit + 0.08 * ridges), gripArea);
        c.r = clamp01(c.r);
        c.g = clamp01(c.g);
        c.b = clamp01(c.b);
        return mixColor(c, plasticDark, rim(d, 2.6 * pixel));
    });

    // Tufts of bristles on the head, alternating white and pale blue, with
    // gaps between the strands so the teeth show through.
    constexpr int tuftCount = 13;
    constexpr int strandsPerTuft = 5;
    const double firstTuft = -10;
    const double tuftSpacing = 26.5;
    const double bristleBase = headY + 18;
    const double bristleTop = headY + 185;
    for (int tuft = 0; tuft < tuftCount; ++tuft) {
        double tuftX = firstTuft + tuft * tuftSpacing;
        Color colour = tuft % 2 == 0 ? rgb(0.96, 0.97, 1.0) : rgb(0.66, 0.86, 1.0);
        auto strands = [&](Vec2 p) {
            double best = 1e9;
            for (int s = 0; s < strandsPerTuft; ++s) {
                double offset = (s - 0.5 * (strandsPerTuft - 1)) * 3.6;
                Vec2 base{tuftX + offset, bristleBase};
                double wave = 2.5 * waveSin(tuft * 1.7 + s);
                Vec2 tip{tuftX + offset * 1.6, bristleTop + wave};
                best = std::min(best, capsuleDistance(p, base, tip, 1.7));
            }
            return best;
        };
        paintShape(picture, frame, strands, [&](Vec2 p, double) {
            double up = clamp01((p.y - bristleBase) / (bristleTop - bristleBase));
            return scaled(colour, 0.72 + 0.28 * up);
        });
    }
    return picture;
}
