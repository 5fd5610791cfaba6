// The mouth, behind everything: skin, lips, the dark inside, the tongue and
// the gums, whose margins follow the tooth table so the gums sit under the
// roots wherever the game puts a tooth. Drawn for the 800x600 canvas.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "game/tooth_layout.h"
#include "tools/pictures/colour.h"
#include "tools/pictures/distance.h"
#include "tools/pictures/noise.h"
#include "tools/pictures/pictures.h"

namespace {

// The game's own table (toothLayouts): drawn size, atlas cell, and the top-left
// corner in the 800x600 picture of the mouth (y down).

// Where the game puts a tooth on the canvas (centre, y up), with the game's
// own integer halving.
Vec2 toothCentre(const ToothLayout& place) {
    return {static_cast<double>(place.width / 2 + place.pictureX - 400),
            static_cast<double>(300 - place.pictureY - place.height / 2)};
}

constexpr int backgroundSide = 1024;
constexpr double backgroundUnits = 800;  // the game draws it 800 canvas units square

// A line through the given points, straight between them, level beyond the
// last ones and bending by `bend` per unit squared past the ends (the gums
// curve away into the mouth there).
double lineThrough(const std::vector<Vec2>& points, double x, double bend) {
    const Vec2& first = points.front();
    const Vec2& last = points.back();
    if (x <= first.x) return first.y + bend * (x - first.x) * (x - first.x);
    if (x >= last.x) return last.y + bend * (x - last.x) * (x - last.x);
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (x <= points[i].x) {
            double t = (x - points[i - 1].x) / (points[i].x - points[i - 1].x);
            return mix(points[i - 1].y, points[i].y, t);
        }
    }
    return last.y;
}

// Where the gums meet the teeth, built from the tooth table so the gums sit
// under the roots wherever the game puts a tooth.
struct GumLines {
    std::vector<Vec2> upperEdge;  // gum margin above the upper teeth
    std::vector<Vec2> lowerEdge;
    std::vector<double> upperGaps;  // x of the spaces between neighbouring teeth
    std::vector<double> lowerGaps;
};

// How far into the tooth the gum reaches, as a share of the tooth's height:
// deeper than the tooth picture's own gum arch, so no bare seam shows.
constexpr double gumOverlap = 0.15;
constexpr double papillaDepth = 26;
constexpr double papillaHalfWidth = 26;
// The papillae's tips are rounded over this many units: a sharp tip left a
// crease in the gum's lighting straight above it.
constexpr double papillaTip = 6;
constexpr double gumCurl = 0.0016;

GumLines makeGumLines() {
    GumLines lines;
    double previousRight = 0;
    for (int i = 0; i < toothCount; ++i) {
        const ToothLayout& place = toothLayouts[i];
        Vec2 centre = toothCentre(place);
        double halfWidth = 0.5 * place.width;
        double halfHeight = 0.5 * place.height;
        bool upper = place.atlasRow == 0;
        bool firstOfRow = i == 0 || toothLayouts[i - 1].atlasRow != place.atlasRow;
        if (upper) {
            lines.upperEdge.push_back({centre.x, centre.y + halfHeight - gumOverlap * place.height});
            if (!firstOfRow) lines.upperGaps.push_back(0.5 * (previousRight + centre.x - halfWidth));
        } else {
            lines.lowerEdge.push_back({centre.x, centre.y - halfHeight + gumOverlap * place.height});
            if (!firstOfRow) lines.lowerGaps.push_back(0.5 * (previousRight + centre.x - halfWidth));
        }
        previousRight = centre.x + halfWidth;
    }
    return lines;
}

double papillae(const std::vector<double>& gaps, double x) {
    double sum = 0;
    for (double gap : gaps) {
        double dx = x - gap;
        double across = std::sqrt(dx * dx + papillaTip * papillaTip) - papillaTip;
        double s = clamp01(1 - across / papillaHalfWidth);
        sum += papillaDepth * s * s;
    }
    return sum;
}

double upperGumField(const GumLines& lines, Vec2 p) {
    return lineThrough(lines.upperEdge, p.x, gumCurl) - papillae(lines.upperGaps, p.x) - p.y;
}

double lowerGumField(const GumLines& lines, Vec2 p) {
    return p.y - lineThrough(lines.lowerEdge, p.x, -gumCurl) - papillae(lines.lowerGaps, p.x);
}

// The middle of the rows of teeth, from the left edge of the leftmost tooth
// to the right edge of the rightmost: left of the canvas centre.
double teethMiddle() {
    double left = 1e9;
    double right = -1e9;
    for (const ToothLayout& place : toothLayouts) {
        Vec2 centre = toothCentre(place);
        left = std::min(left, centre.x - 0.5 * place.width);
        right = std::max(right, centre.x + 0.5 * place.width);
    }
    return 0.5 * (left + right);
}

// The mouth opening: a rounded rectangle-ish oval (|x|^3 + |y|^3), centred
// on the rows of teeth.
const Vec2 mouthCentre{teethMiddle(), 2};
const Vec2 mouthRadii{530, 262};
const Vec2 lipRadii{610, 338};

double superellipseField(Vec2 p, Vec2 centre, Vec2 radii) {
    double x = std::fabs(p.x - centre.x) / radii.x;
    double y = std::fabs(p.y - centre.y) / radii.y;
    return x * x * x + y * y * y - 1;
}

double mouthDistance(Vec2 p) {
    return implicitDistance([](Vec2 q) { return superellipseField(q, mouthCentre, mouthRadii); }, p, 0.5);
}

double lipDistance(Vec2 p) {
    return implicitDistance([](Vec2 q) { return superellipseField(q, mouthCentre, lipRadii); }, p, 0.5);
}

}  // namespace

Picture drawBackground() { return drawBackgroundRows(0, backgroundSide); }

Picture drawBackgroundRows(int top, int bottom) {
    Picture picture = makePicture(backgroundSide, backgroundSide);
    double unitsPerPixel = backgroundUnits / backgroundSide;
    Frame frame = wholePicture(picture, unitsPerPixel, unitsPerPixel);
    frame.top = std::max(top, 0);
    frame.bottom = std::min(bottom, backgroundSide);
    GumLines gums = makeGumLines();

    // Skin around the mouth.
    paintShape(
        picture, frame, [](Vec2) { return -1e9; },
        [](Vec2 p, double) {
            Color c = mixColor(rgb(0.80, 0.63, 0.55), rgb(0.70, 0.53, 0.47), smoothstep(400, -400, p.y));
            return scaled(c, 0.96 + 0.08 * grain(p * (1.0 / 40), 1));
        });
    // Soft shadow where the lips meet the skin.
    paintShape(
        picture, frame, [](Vec2 p) { return lipDistance(p) - 18; },
        [](Vec2, double d) { return rgb(0.45, 0.30, 0.28, 0.35 * smoothstep(18, 0, d)); });

    // Lips: rounded and lit from above, darker where they turn into the mouth.
    paintShape(picture, frame, lipDistance, [](Vec2 p, double) {
        double inner = mouthDistance(p);
        double thickness = 76;
        double across = clamp01(inner / thickness);
        double roundness = waveSin(pi * across);
        Color c = mixColor(rgb(0.50, 0.25, 0.28), rgb(0.72, 0.42, 0.44), roundness);
        double upperLip = p.y > mouthCentre.y ? 1 : 0;
        c = scaled(c, 0.9 + 0.12 * upperLip * smoothstep(0.3, 0.7, across));
        // Fine lengthwise creases.
        double crease = grain(Vec2{p.x / 6, p.y / 40}, 2) - 0.5;
        c = scaled(c, 1 + 0.12 * crease);
        double shine = 1 - smoothstep(0.0, 0.22, std::fabs(across - 0.55));
        return mixColor(c, rgb(0.86, 0.64, 0.64), 0.25 * shine);
    });

    // Inside of the mouth: dark red, darkest at the throat behind the teeth.
    paintShape(picture, frame, mouthDistance, [](Vec2 p, double d) {
        Vec2 throat{mouthCentre.x, 40};
        double r = length(Vec2{(p.x - throat.x) / 360, (p.y - throat.y) / 220});
        Color c = mixColor(rgb(0.11, 0.03, 0.05), rgb(0.43, 0.16, 0.19), smoothstep(0.1, 1.25, r));
        return scaled(c, 0.65 + 0.35 * smoothstep(0, 40, -d));
    });

    // The tongue, in the lower middle behind the lower teeth.
    const Vec2 tongueCentre{mouthCentre.x, -140};
    const Vec2 tongueRadii{330, 135};
    auto tongue = [&](Vec2 p) { return std::max(ellipseDistance(p, tongueCentre, tongueRadii), mouthDistance(p)); };
    paintShape(picture, frame, tongue, [&](Vec2 p, double) {
        double lit = pillowLight(tongue, p, 70, 1.0, 1);
        Color c = scaled(rgb(0.74, 0.42, 0.45), 0.62 + 0.45 * lit);
        double groove = 1 - smoothstep(0, 14, std::fabs(p.x - tongueCentre.x));
        groove *= smoothstep(tongueCentre.y + tongueRadii.y, tongueCentre.y, p.y);
        c = scaled(c, 1 - 0.3 * groove);
        // Papillae: a fine stipple.
        c = scaled(c, 0.95 + 0.1 * grain(p * (1.0 / 5), 3));
        return c;
    });

    // Gums: shadowed under the lips, paler and pinker at the margin round the teeth.
    // The outline comes from the distance to the margin, but the shading from
    // the plain vertical distance (negative inside): a distance folds along
    // the line above each papilla's tip, and lit across that fold it showed as
    // a thin vertical line up the gum.
    auto upperHeight = [&](Vec2 p) { return std::max(upperGumField(gums, p), mouthDistance(p) - 4); };
    auto lowerHeight = [&](Vec2 p) { return std::max(lowerGumField(gums, p), mouthDistance(p) - 4); };
    auto upperGum = [&](Vec2 p) {
        double line = implicitDistance([&](Vec2 q) { return upperGumField(gums, q); }, p, 0.5);
        return std::max(line, mouthDistance(p) - 4);
    };
    auto lowerGum = [&](Vec2 p) {
        double line = implicitDistance([&](Vec2 q) { return lowerGumField(gums, q); }, p, 0.5);
        return std::max(line, mouthDistance(p) - 4);
    };
    auto gumPaint = [&](auto gumHeight, std::uint32_t salt) {
        return [&, gumHeight, salt](Vec2 p, double d) {
            double height = gumHeight(p);
            Color c = mixColor(rgb(0.86, 0.53, 0.55), rgb(0.70, 0.38, 0.42), smoothstep(0, 40, -height));
            double underLip = 1 - smoothstep(0, 34, -mouthDistance(p));
            c = scaled(c, 1 - 0.4 * underLip);
            double lit = pillowLight(gumHeight, p, 14, 1.0, 1);
            c = scaled(c, 0.86 + 0.18 * lit);
            c = scaled(c, 0.95 + 0.1 * grain(p * (1.0 / 12), salt));
            return mixColor(c, rgb(0.45, 0.18, 0.22), 0.5 * rim(d, 2.5));
        };
    };
    paintShape(picture, frame, upperGum, gumPaint(upperHeight, 4));
    paintShape(picture, frame, lowerGum, gumPaint(lowerHeight, 5));
    return picture;
}
