// The mouth, behind everything: skin, lips, the dark inside, the tongue and
// the gums, whose margins follow the tooth table so the gums sit under the
// roots wherever the game puts a tooth. Drawn for the 800x600 canvas.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
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

// The gum margins depend on x alone, and the mouth asks for them at the same
// few x of every row (a pixel's centre and the points its slope and light are
// taken at): each x is worked out once and kept, under its exact bits.
class GumMargins {
public:
    explicit GumMargins(const GumLines& lines) : lines_(lines), slots_(slotCount) {}

    double upperField(Vec2 p) {
        const Margin& m = at(p.x);
        return m.upperLine - m.upperPapillae - p.y;
    }
    double lowerField(Vec2 p) {
        const Margin& m = at(p.x);
        return p.y - m.lowerLine - m.lowerPapillae;
    }

private:
    struct Margin {
        std::uint64_t bits = 0;
        bool kept = false;
        double upperLine = 0;
        double upperPapillae = 0;
        double lowerLine = 0;
        double lowerPapillae = 0;
    };
    // Five x a pixel column, 1,024 columns: a table four times that keeps
    // the probing short.
    static constexpr std::size_t slotCount = 1 << 14;

    const Margin& at(double x) {
        std::uint64_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        std::size_t slot = static_cast<std::size_t>((bits * 0x9e3779b97f4a7c15u) >> 50);
        for (std::size_t probes = 0; probes < slotCount; ++probes, slot = (slot + 1) % slotCount) {
            Margin& m = slots_[slot];
            if (m.kept && m.bits == bits) return m;
            if (m.kept) continue;
            m = {bits, true, lineThrough(lines_.upperEdge, x, gumCurl), papillae(lines_.upperGaps, x),
                 lineThrough(lines_.lowerEdge, x, -gumCurl), papillae(lines_.lowerGaps, x)};
            return m;
        }
        // Every slot taken (not with the mouth's columns): worked out afresh.
        scratch_ = {bits, true, lineThrough(lines_.upperEdge, x, gumCurl), papillae(lines_.upperGaps, x),
                    lineThrough(lines_.lowerEdge, x, -gumCurl), papillae(lines_.lowerGaps, x)};
        return scratch_;
    }

    const GumLines& lines_;
    std::vector<Margin> slots_;
    Margin scratch_;
};

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
    const double pixel = pixelSize(frame);
    GumLines gumLines = makeGumLines();
    GumMargins gums(gumLines);
    // An opaque layer with this distance at a pixel's centre leaves nothing
    // of what lay under it there, so what would lie under it is not painted.
    auto coversWhole = [pixel](double distance) { return clamp01(0.5 - distance / pixel) >= 1; };

    // Skin around the mouth.
    auto skin = [](Vec2 p, double) {
        Color c = mixColor(rgb(0.80, 0.63, 0.55), rgb(0.70, 0.53, 0.47), smoothstep(400, -400, p.y));
        return scaled(c, 0.96 + 0.08 * grain(p * (1.0 / 40), 1));
    };
    // Soft shadow where the lips meet the skin.
    auto lipShadow = [](Vec2, double d) { return rgb(0.45, 0.30, 0.28, 0.35 * smoothstep(18, 0, d)); };

    // Lips: rounded and lit from above, darker where they turn into the mouth.
    auto lips = [](Vec2 p, double inner) {
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
    };

    // Inside of the mouth: dark red, darkest at the throat behind the teeth.
    auto inside = [](Vec2 p, double d) {
        Vec2 throat{mouthCentre.x, 40};
        double r = length(Vec2{(p.x - throat.x) / 360, (p.y - throat.y) / 220});
        Color c = mixColor(rgb(0.11, 0.03, 0.05), rgb(0.43, 0.16, 0.19), smoothstep(0.1, 1.25, r));
        return scaled(c, 0.65 + 0.35 * smoothstep(0, 40, -d));
    };

    // The tongue, in the lower middle behind the lower teeth.
    const Vec2 tongueCentre{mouthCentre.x, -140};
    const Vec2 tongueRadii{330, 135};
    auto tongue = [&](Vec2 p) { return std::max(ellipseDistance(p, tongueCentre, tongueRadii), mouthDistance(p)); };
    // Ten units beyond the tongue's box its distance is more than four units
    // (at least ten times its smaller radius over the larger): it covers
    // nothing there, and is not worked out.
    const double tongueFar = 10;
    auto farFromTongue = [&](Vec2 p) {
        return std::fabs(p.x - tongueCentre.x) > tongueRadii.x + tongueFar ||
               std::fabs(p.y - tongueCentre.y) > tongueRadii.y + tongueFar;
    };
    auto tongueSurface = [&](Vec2 p, double) {
        double lit = pillowLight(tongue, p, 70, 1.0, 1);
        Color c = scaled(rgb(0.74, 0.42, 0.45), 0.62 + 0.45 * lit);
        double groove = 1 - smoothstep(0, 14, std::fabs(p.x - tongueCentre.x));
        groove *= smoothstep(tongueCentre.y + tongueRadii.y, tongueCentre.y, p.y);
        c = scaled(c, 1 - 0.3 * groove);
        // Papillae: a fine stipple.
        c = scaled(c, 0.95 + 0.1 * grain(p * (1.0 / 5), 3));
        return c;
    };

    // Gums: shadowed under the lips, paler and pinker at the margin round the teeth.
    // The outline comes from the distance to the margin, but the shading from
    // the plain vertical distance (negative inside): a distance folds along
    // the line above each papilla's tip, and lit across that fold it showed as
    // a thin vertical line up the gum.
    auto upperHeight = [&](Vec2 p) { return std::max(gums.upperField(p), mouthDistance(p) - 4); };
    auto lowerHeight = [&](Vec2 p) { return std::max(gums.lowerField(p), mouthDistance(p) - 4); };
    auto upperLine = [&](Vec2 p) { return implicitDistance([&](Vec2 q) { return gums.upperField(q); }, p, 0.5); };
    auto lowerLine = [&](Vec2 p) { return implicitDistance([&](Vec2 q) { return gums.lowerField(q); }, p, 0.5); };
    // `height` is gumHeight at p, `mouth` the mouth's distance there.
    auto gum = [&](auto gumHeight, std::uint32_t salt, Vec2 p, double d, double height, double mouth) {
        Color c = mixColor(rgb(0.86, 0.53, 0.55), rgb(0.70, 0.38, 0.42), smoothstep(0, 40, -height));
        double underLip = 1 - smoothstep(0, 34, -mouth);
        c = scaled(c, 1 - 0.4 * underLip);
        double lit = pillowLight(gumHeight, p, 14, 1.0, 1);
        c = scaled(c, 0.86 + 0.18 * lit);
        c = scaled(c, 0.95 + 0.1 * grain(p * (1.0 / 12), salt));
        return mixColor(c, rgb(0.45, 0.18, 0.22), 0.5 * rim(d, 2.5));
    };

    // The layers go a pixel at a time, each over what those before it left
    // there: the same pixels as painting each layer over the whole picture in
    // turn, with a pixel's distances to the mouth and the lips worked out
    // once, and in one pass over the picture instead of seven.
    for (int py = frame.top; py < frame.bottom; ++py) {
        for (int px = frame.left; px < frame.right; ++px) {
            const Vec2 p = toShape(frame, px, py);
            Color& colour = picture.pixels[static_cast<std::size_t>(py) * picture.width + px];
            const double mouth = mouthDistance(p);
            const bool underMouth = coversWhole(mouth);
            if (!underMouth) {
                const double lip = lipDistance(p);
                if (!coversWhole(lip)) {
                    paintPixel(colour, p, -1e9, pixel, skin);
                    paintPixel(colour, p, lip - 18, pixel, lipShadow);
                }
                paintPixel(colour, p, lip, pixel, [&](Vec2 q, double) { return lips(q, mouth); });
            }
            paintPixel(colour, p, mouth, pixel, inside);
            if (!farFromTongue(p))
                paintPixel(colour, p, std::max(ellipseDistance(p, tongueCentre, tongueRadii), mouth), pixel,
                           tongueSurface);
            paintPixel(colour, p, std::max(upperLine(p), mouth - 4), pixel, [&](Vec2 q, double d) {
                return gum(upperHeight, 4, q, d, std::max(gums.upperField(q), mouth - 4), mouth);
            });
            paintPixel(colour, p, std::max(lowerLine(p), mouth - 4), pixel, [&](Vec2 q, double d) {
                return gum(lowerHeight, 5, q, d, std::max(gums.lowerField(q), mouth - 4), mouth);
            });
        }
    }
    return picture;
}
