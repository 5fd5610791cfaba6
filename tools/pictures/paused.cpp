// The pause sign: "Paused" in rounded, pen-drawn letters, light on a
// translucent dark plate with a soft edge. It is drawn 256 x 64 canvas units
// over the middle of the dimmed mouth: two pixels a unit keep it sharp in a
// window twice the canvas, and its sides stay powers of two for WebGL.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/pictures/colour.h"
#include "tools/pictures/distance.h"
#include "tools/pictures/pictures.h"
#include "tools/pictures/plate.h"

namespace {

constexpr double signWidth = 256;  // canvas units
constexpr double signHeight = 64;
constexpr double pixelsPerUnit = 2;

// The letters' pen, in the same units: the centre lines of lowercase letters
// run from 0 to xHeight, of tall ones to ascender; strokes are twice penRadius.
constexpr double xHeight = 18;
constexpr double ascender = 27;
constexpr double penRadius = 2.9;
constexpr double bowl = xHeight / 2;
constexpr double degree = pi / 180;

using Line = std::vector<Vec2>;

struct Glyph {
    std::vector<Line> lines;
    double width = 0;  // of the centre lines, from x = 0
    // Room either side: a straight stem needs more than a round bowl to look
    // evenly spaced.
    double leftSpace = 0;
    double rightSpace = 0;
};

constexpr double stemSpace = 5.5;
constexpr double roundSpace = 4.6;

// Points along an ellipse's arc, close enough that the bends never show.
void addArc(Line& line, Vec2 centre, Vec2 radii, double from, double to) {
    int steps = static_cast<int>(std::ceil(std::fabs(to - from) / (4 * degree)));
    for (int i = 0; i <= steps; ++i) {
        double angle = mix(from, to, static_cast<double>(i) / steps);
        line.push_back({centre.x + radii.x * waveCos(angle), centre.y + radii.y * waveSin(angle)});
    }
}

Line arc(Vec2 centre, Vec2 radii, double from, double to) {
    Line line;
    addArc(line, centre, radii, from, to);
    return line;
}

// A capital P: one stroke up the stem, round the bowl and back to the stem.
Glyph capitalP() {
    const double bowlTop = ascender;
    const double bowlBottom = 14;
    const double bowlRadius = (bowlTop - bowlBottom) / 2;
    const double shoulder = 5;
    Line line{{0, 0}, {0, bowlTop}};
    addArc(line, {shoulder, bowlTop - bowlRadius}, {bowlRadius, bowlRadius}, 90 * degree, -90 * degree);
    line.push_back({0, bowlBottom});
    return {{line}, shoulder + bowlRadius, stemSpace, roundSpace};
}

// The round letters share one bowl; a and d differ only in the stem.
Glyph bowlAndStem(double stemTop) {
    Line circle = arc({bowl, bowl}, {bowl, bowl}, 0, 2 * pi);
    return {{circle, {{2 * bowl, 0}, {2 * bowl, stemTop}}}, 2 * bowl, roundSpace, stemSpace};
}

Glyph letterU() {
    Line line{{0, xHeight}};
    addArc(line, {bowl, bowl}, {bowl, bowl}, pi, 2 * pi);
    return {{line, {{2 * bowl, xHeight}, {2 * bowl, 0}}}, 2 * bowl, stemSpace, stemSpace};
}

// Two half-height ellipses joined at the spine, each turned half a circle
// from the other; wider than high so the counters stay open.
Glyph letterS() {
    const Vec2 radii{7, xHeight / 4};
    Line top = arc({radii.x, xHeight - radii.y}, radii, 30 * degree, 270 * degree);
    Line bottom = arc({radii.x, radii.y}, radii, 90 * degree, -150 * degree);
    top.insert(top.end(), bottom.begin() + 1, bottom.end());
    return {{top}, 2 * radii.x, roundSpace, roundSpace};
}

// The bar a little below the middle leaves the eye room above it.
Glyph letterE() {
    const double barHeight = 8.5;
    double halfBar = std::sqrt(bowl * bowl - (bowl - barHeight) * (bowl - barHeight));
    Line line{{bowl - halfBar, barHeight}, {bowl + halfBar, barHeight}};
    double start = angleOf({halfBar, barHeight - bowl});
    addArc(line, {bowl, bowl}, {bowl, bowl}, start, 2 * pi - 40 * degree);
    return {{line}, 2 * bowl, roundSpace, roundSpace};
}

// The word's centre lines, set side by side and moved so the ink sits in the
// middle of the sign.
std::vector<Line> setWord(const std::vector<Glyph>& word) {
    std::vector<Line> lines;
    double x = 0;
    double previousSpace = 0;
    for (const Glyph& glyph : word) {
        if (!lines.empty()) x += previousSpace + glyph.leftSpace;
        for (Line line : glyph.lines) {
            for (Vec2& point : line) point.x += x;
            lines.push_back(line);
        }
        x += glyph.width;
        previousSpace = glyph.rightSpace;
    }
    double left = 1e9, right = -1e9, bottom = 1e9, top = -1e9;
    for (const Line& line : lines) {
        for (Vec2 point : line) {
            left = std::min(left, point.x);
            right = std::max(right, point.x);
            bottom = std::min(bottom, point.y);
            top = std::max(top, point.y);
        }
    }
    Vec2 middle{0.5 * (left + right), 0.5 * (bottom + top)};
    for (Line& line : lines)
        for (Vec2& point : line) point = point - middle;
    return lines;
}

}  // namespace

Picture drawPausedSign() {
    Picture picture =
        makePicture(static_cast<int>(signWidth * pixelsPerUnit), static_cast<int>(signHeight * pixelsPerUnit));
    double pixel = 1 / pixelsPerUnit;
    Frame frame = wholePicture(picture, pixel, pixel);

    paintPlate(picture, frame, {118, 26}, 20);

    std::vector<Line> word =
        setWord({capitalP(), bowlAndStem(xHeight), letterU(), letterS(), letterE(), bowlAndStem(ascender)});
    auto letters = [&](Vec2 p) {
        double best = 1e9;
        for (const Line& line : word) best = std::min(best, strokeDistance(p, line, penRadius));
        return best;
    };
    // A soft shadow down and to the right, away from the light, lifts the
    // letters off the plate.
    const Vec2 shadowOffset{0.8, -1.2};
    const double shadowBlur = 2.5;
    paintShape(
        picture, frame, [&](Vec2 p) { return letters(p - shadowOffset) - shadowBlur; },
        [&](Vec2 p, double) {
            double d = letters(p - shadowOffset);
            return rgb(0.05, 0.02, 0.03, 0.6 * smoothstep(shadowBlur, -shadowBlur, d));
        });
    paintShape(picture, frame, letters, [&](Vec2 p, double) {
        double lit = pillowLight(letters, p, 2.2, pixel, 1);
        Color c = scaled(rgb(1.0, 0.97, 0.92), 0.8 + 0.26 * lit);
        c.r = clamp01(c.r);
        c.g = clamp01(c.g);
        c.b = clamp01(c.b);
        return c;
    });
    return picture;
}
