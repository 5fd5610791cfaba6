// make-pictures OUTDIR: draws the six pictures Velmora loads (the mouth, the
// tooth atlas, a bacterium, a sweet, the brush and the drill) from distance
// fields, gradients and lighting, and writes them as 32-bit Targa files.
// Every run writes the same bytes: no clock, no seeds, and on doubles only
// arithmetic, sqrt, floor and fabs, which round the same on every compiler.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "game/tooth_layout.h"

namespace {

// ---------------------------------------------------------------- maths

constexpr double pi = 3.14159265358979323846;

struct Vec2 {
    double x = 0;
    double y = 0;
};

Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
Vec2 operator*(Vec2 a, double k) { return {a.x * k, a.y * k}; }
double dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
double length(Vec2 a) { return std::sqrt(a.x * a.x + a.y * a.y); }

double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
double mix(double a, double b, double t) { return a + (b - a) * t; }

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

// Angle of p from the x axis, -pi to pi, built on sqrt alone for the same reason.
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

// Smooth value noise from an integer hash, for the grain of gums, lips and enamel.
double latticeValue(std::int64_t x, std::int64_t y, std::uint32_t salt) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u;
    h ^= static_cast<std::uint32_t>(y) * 0xd8163841u;
    h ^= salt * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<double>(h & 0xffffu) / 65535.0;
}

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

// Three octaves, 0 to 1, centred on 0.5.
double grain(Vec2 p, std::uint32_t salt) {
    double sum =
        0.5 * valueNoise(p, salt) + 0.25 * valueNoise(p * 2.03, salt + 1) + 0.125 * valueNoise(p * 4.11, salt + 2);
    return sum / 0.875;
}

// ---------------------------------------------------------------- distances
// Signed distances: negative inside, in the units of the shape's frame.

double circleDistance(Vec2 p, Vec2 centre, double radius) { return length(p - centre) - radius; }

// A close approximation that is exact on the outline, which is all the edge
// smoothing needs.
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

// Intersection of two shapes with the corner between them rounded off.
double roundMax(double a, double b, double radius) {
    double ua = std::max(a + radius, 0.0);
    double ub = std::max(b + radius, 0.0);
    return std::min(-radius, std::max(a, b)) + std::sqrt(ua * ua + ub * ub);
}

// Union with a fillet where the two shapes meet.
double roundMin(double a, double b, double radius) { return -roundMax(-a, -b, radius); }

// Turns an implicit function (negative inside) into a distance near its
// zero line by dividing by the slope.
template <typename Field>
double implicitDistance(Field field, Vec2 p, double step) {
    double value = field(p);
    double gx = (field(Vec2{p.x + step, p.y}) - field(Vec2{p.x - step, p.y})) / (2 * step);
    double gy = (field(Vec2{p.x, p.y + step}) - field(Vec2{p.x, p.y - step})) / (2 * step);
    double slope = std::sqrt(gx * gx + gy * gy);
    return slope > 1e-9 ? value / slope : value;
}

// ---------------------------------------------------------------- colour

struct Color {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;
};

Color rgb(double r, double g, double b, double a = 1) { return {r, g, b, a}; }

Color mixColor(Color from, Color to, double t) {
    return {mix(from.r, to.r, t), mix(from.g, to.g, t), mix(from.b, to.b, t), mix(from.a, to.a, t)};
}

Color scaled(Color c, double k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

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

// ---------------------------------------------------------------- pictures

// Colours are kept premultiplied while drawing, so layering is plain "over".
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;
};

Picture makePicture(int width, int height) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(static_cast<std::size_t>(width) * height, Color{0, 0, 0, 0});
    return picture;
}

// Maps picture pixels to the coordinates a shape is described in.
struct Frame {
    double originX = 0;  // pixel position of the shape's origin
    double originY = 0;
    double unitsPerPixelX = 1;
    double unitsPerPixelY = 1;
    double upSign = 1;  // +1: shape y grows up the picture; -1: down it
    int left = 0;       // pixels painted: [left, right) x [top, bottom)
    int top = 0;
    int right = 0;
    int bottom = 0;
};

Frame wholePicture(const Picture& picture, double unitsPerPixelX, double unitsPerPixelY) {
    Frame frame;
    frame.originX = picture.width * 0.5;
    frame.originY = picture.height * 0.5;
    frame.unitsPerPixelX = unitsPerPixelX;
    frame.unitsPerPixelY = unitsPerPixelY;
    frame.right = picture.width;
    frame.bottom = picture.height;
    return frame;
}

double pixelSize(const Frame& frame) { return 0.5 * (frame.unitsPerPixelX + frame.unitsPerPixelY); }

Vec2 toShape(const Frame& frame, int px, int py) {
    return {(px + 0.5 - frame.originX) * frame.unitsPerPixelX,
            (frame.originY - (py + 0.5)) * frame.unitsPerPixelY * frame.upSign};
}

void blendOver(Color& target, Color paint, double coverage) {
    double a = clamp01(paint.a) * coverage;
    target.r = paint.r * a + target.r * (1 - a);
    target.g = paint.g * a + target.g * (1 - a);
    target.b = paint.b * a + target.b * (1 - a);
    target.a = a + target.a * (1 - a);
}

// Paints a shape with a coverage-based soft edge one pixel wide: the
// distance at the pixel centre says how much of the pixel the shape covers.
// `paint` gets the point and its distance and returns a straight colour.
template <typename Distance, typename Paint>
void paintShape(Picture& picture, const Frame& frame, Distance distance, Paint paint) {
    double pixel = pixelSize(frame);
    for (int py = frame.top; py < frame.bottom; ++py) {
        for (int px = frame.left; px < frame.right; ++px) {
            Vec2 p = toShape(frame, px, py);
            double d = distance(p);
            double coverage = clamp01(0.5 - d / pixel);
            if (coverage <= 0) continue;
            blendOver(picture.pixels[static_cast<std::size_t>(py) * picture.width + px], paint(p, d), coverage);
        }
    }
}

// An outline of `width` units just inside a shape's edge: 1 on the edge,
// fading to 0 inward.
double rim(double distance, double width) { return 1 - smoothstep(width * 0.6, width * 1.4, -distance); }

// ---------------------------------------------------------------- the tooth table
// The game's own table (toothLayouts): drawn size, atlas cell, and the top-left
// corner in the 800x600 picture of the mouth (y down).

// Where the game puts a tooth on the canvas (centre, y up), with the game's
// own integer halving.
Vec2 toothCentre(const ToothLayout& place) {
    return {static_cast<double>(place.width / 2 + place.pictureX - 400),
            static_cast<double>(300 - place.pictureY - place.height / 2)};
}

// ---------------------------------------------------------------- teeth atlas

constexpr int atlasSide = 1024;
constexpr int atlasColumns = 6;

// The outline of one tooth, in drawn canvas units: x across from the middle,
// y along the tooth from the gum (0) to the biting edge.
struct ToothShape {
    double halfWidth;     // at the gum, the widest
    double length;        // from the gum to the tip
    double taper;         // how much narrower the biting end is than the gum end
    double gumArch;       // how far the gum line dips at the tooth's sides
    double cornerRadius;  // of the crown's corners
    double point;         // how far a canine's point stands out from its edge
    double edgeBulge;     // how round an incisor's biting edge is
    double slant;         // how much shorter the side away from the middle of the mouth is
    double slantSide;     // +1 when the middle of the mouth is at +x, -1 at -x
};

// Half the tooth's width at y: widest where it leaves the gum, narrowing
// toward the bite, so a row of teeth reads as hanging from (or standing in) the gum.
double toothHalfWidth(const ToothShape& shape, double y) {
    return shape.halfWidth * (1 - shape.taper * clamp01(y / shape.length));
}

// How far the biting edge reaches at x.
double toothEdge(const ToothShape& shape, double x) {
    double u = x / shape.halfWidth;
    double softPoint = std::sqrt(u * u + 0.02) - std::sqrt(0.02);
    return shape.length - shape.edgeBulge * u * u - shape.point * softPoint -
           shape.slant * 0.5 * (1 - shape.slantSide * u);
}

double toothBodyDistance(const ToothShape& shape, Vec2 p) {
    double side = std::fabs(p.x) - toothHalfWidth(shape, p.y);
    return roundMax(side, p.y - toothEdge(shape, p.x), shape.cornerRadius);
}

// The same outline with the creases inside smoothed away, for lighting only:
// a plain distance field folds along the corners' bisectors and would light
// them as ridges.
double toothSurfaceDistance(const ToothShape& shape, Vec2 p) {
    double side = std::fabs(p.x) - toothHalfWidth(shape, p.y);
    double crown = p.y - toothEdge(shape, p.x);
    double softness = 0.6 * shape.halfWidth;
    double h = std::max(softness - std::fabs(side - crown), 0.0) / softness;
    return std::max(side, crown) + h * h * softness * 0.25;
}

// Above zero where the gum covers the tooth: the gum arches over each tooth.
double toothGumDistance(const ToothShape& shape, Vec2 p) {
    double u = p.x / shape.halfWidth;
    return shape.gumArch * u * u - p.y;
}

ToothShape shapeForTooth(int index, double unitsPerPixel) {
    const ToothLayout& place = toothLayouts[index];
    double w = place.width;
    double h = place.height;
    // A few pixels of clear border keep neighbouring cells from bleeding into
    // each other under linear filtering.
    ToothShape shape{};
    shape.halfWidth = 0.5 * w - 3 * unitsPerPixel;
    shape.length = h - 2.5 * unitsPerPixel;
    shape.gumArch = 0.035 * h;
    shape.taper = 0.1;
    shape.cornerRadius = 0.26 * w;
    shape.edgeBulge = 0.035 * h;
    // The mouth's middle lies between upper cells 2 and 3 and lower cells 2 and 3;
    // the teeth at either end of each row are canines.
    bool upper = place.atlasRow == 0;
    int column = place.atlasColumn;
    bool canine = (upper && column == 0) || (!upper && (column == 0 || column == 5));
    bool central = column == 2 || column == 3;
    if (canine) {
        shape.point = 0.12 * h;
        shape.cornerRadius = 0.2 * w;
        shape.edgeBulge = 0;
        shape.taper = 0.14;
    } else if (central) {
        shape.cornerRadius = upper ? 0.15 * w : 0.2 * w;
        shape.edgeBulge = 0.02 * h;
        shape.slant = 0.04 * h;
        shape.slantSide = column == 2 ? 1 : -1;
        shape.taper = upper ? 0.07 : 0.1;
    }
    return shape;
}

void paintTooth(Picture& atlas, int index) {
    const ToothLayout& place = toothLayouts[index];
    double columnWidth = static_cast<double>(atlasSide) / atlasColumns;
    double unitsPerPixel = place.width / columnWidth;
    double stripHeight = static_cast<double>(place.height) / place.width * columnWidth;
    double stripLeft = place.atlasColumn * columnWidth;
    double stripTop = place.atlasRow * atlasSide * 0.5;
    bool upper = place.atlasRow == 0;

    // Upper teeth hang from the top of their strip, lower teeth stand on its bottom.
    Frame frame;
    frame.originX = stripLeft + 0.5 * columnWidth;
    frame.originY = upper ? stripTop : stripTop + stripHeight;
    frame.unitsPerPixelX = unitsPerPixel;
    frame.unitsPerPixelY = unitsPerPixel;
    frame.upSign = upper ? -1 : 1;
    frame.left = static_cast<int>(std::floor(stripLeft));
    frame.right = static_cast<int>(std::ceil(stripLeft + columnWidth));
    frame.top = static_cast<int>(std::floor(stripTop));
    frame.bottom = static_cast<int>(std::ceil(stripTop + stripHeight));
    // The screen's up, seen from the tooth: toward the gum for an upper tooth.
    double screenUp = upper ? -1 : 1;

    ToothShape shape = shapeForTooth(index, unitsPerPixel);
    auto body = [&](Vec2 p) { return toothBodyDistance(shape, p); };
    double pixel = unitsPerPixel;
    auto grainSalt = static_cast<std::uint32_t>(100 + index);

    const Color enamel = rgb(0.975, 0.97, 0.955);
    const Color neckShade = rgb(0.84, 0.815, 0.80);
    const Color edgeTranslucent = rgb(0.86, 0.9, 0.96);
    const Color outline = rgb(0.56, 0.56, 0.62);

    paintShape(atlas, frame, body, [&](Vec2 p, double d) {
        double along = p.y / shape.length;
        Color c = mixColor(enamel, neckShade, 0.6 * (1 - smoothstep(0.0, 0.3, along)));
        c = mixColor(c, edgeTranslucent, 0.4 * smoothstep(0.8, 1.0, along));
        auto surface = [&](Vec2 q) { return toothSurfaceDistance(shape, q); };
        double lit = pillowLight(surface, p, 0.6 * shape.halfWidth, 0.75 * pixel, screenUp);
        c = scaled(c, std::min(1.02, 0.64 + 0.4 * lit));
        // A soft gloss down the lit side of the crown.
        Vec2 glossCentre{-0.38 * shape.halfWidth, 0.58 * shape.length};
        double glossDistance = ellipseDistance(p, glossCentre, {0.13 * shape.halfWidth, 0.28 * shape.length});
        double gloss = 1 - smoothstep(-0.1 * shape.halfWidth, 0.14 * shape.halfWidth, glossDistance);
        c = mixColor(c, rgb(1, 1, 1), 0.55 * gloss);
        double speckle = grain(Vec2{p.x / 9, p.y / 14}, grainSalt) - 0.5;
        c = scaled(c, 1 + 0.035 * speckle);
        // Outline the crown, but not the gum line, where the tooth fades into the gum.
        double gumSide = toothGumDistance(shape, p);
        double outlineWeight = rim(d, 2.2 * pixel) * smoothstep(0.0, 8 * pixel, -gumSide);
        c = mixColor(c, outline, 0.85 * outlineWeight);
        c.r = clamp01(c.r);
        c.g = clamp01(c.g);
        c.b = clamp01(c.b);
        // Nothing spills past the cell's gum end: the row beyond belongs to another picture.
        c.a = smoothstep(0.5 * pixel, 0.035 * shape.length, -gumSide);
        return c;
    });
}

Picture drawTeeth() {
    Picture atlas = makePicture(atlasSide, atlasSide);
    for (int i = 0; i < toothCount; ++i) paintTooth(atlas, i);
    return atlas;
}

// ---------------------------------------------------------------- background

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
        double s = clamp01(1 - std::fabs(x - gap) / papillaHalfWidth);
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

// The mouth opening: a rounded rectangle-ish oval (|x|^3 + |y|^3), centred
// under the teeth, which sit left of the canvas centre.
const Vec2 mouthCentre{-45, 2};
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

Picture drawBackground() {
    Picture picture = makePicture(backgroundSide, backgroundSide);
    double unitsPerPixel = backgroundUnits / backgroundSide;
    Frame frame = wholePicture(picture, unitsPerPixel, unitsPerPixel);
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
    auto upperGum = [&](Vec2 p) {
        double line = implicitDistance([&](Vec2 q) { return upperGumField(gums, q); }, p, 0.5);
        return std::max(line, mouthDistance(p) - 4);
    };
    auto lowerGum = [&](Vec2 p) {
        double line = implicitDistance([&](Vec2 q) { return lowerGumField(gums, q); }, p, 0.5);
        return std::max(line, mouthDistance(p) - 4);
    };
    auto gumPaint = [&](auto gumDistance, std::uint32_t salt) {
        return [&, gumDistance, salt](Vec2 p, double d) {
            Color c = mixColor(rgb(0.86, 0.53, 0.55), rgb(0.70, 0.38, 0.42), smoothstep(0, 40, -d));
            double underLip = 1 - smoothstep(0, 34, -mouthDistance(p));
            c = scaled(c, 1 - 0.4 * underLip);
            double lit = pillowLight(gumDistance, p, 14, 1.0, 1);
            c = scaled(c, 0.86 + 0.18 * lit);
            c = scaled(c, 0.95 + 0.1 * grain(p * (1.0 / 12), salt));
            return mixColor(c, rgb(0.45, 0.18, 0.22), 0.5 * rim(d, 2.5));
        };
    };
    paintShape(picture, frame, upperGum, gumPaint(upperGum, 4));
    paintShape(picture, frame, lowerGum, gumPaint(lowerGum, 5));
    return picture;
}

// ---------------------------------------------------------------- bacterium

constexpr int bacteriumSide = 64;

// Drawn 40 units wide in the game, so lines are kept at least 1.6 pixels wide
// here to survive the shrink. Faces up, the way it swims.
Picture drawBacterium() {
    Picture picture = makePicture(bacteriumSide, bacteriumSide);
    Frame frame = wholePicture(picture, 1, 1);
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
    return picture;
}

// ---------------------------------------------------------------- food

constexpr int foodSide = 64;

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

// ---------------------------------------------------------------- brush

constexpr int toolSide = 512;
constexpr double brushWidth = 875;  // the game's drawn size, in canvas units
constexpr double brushHeight = 900;

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

// ---------------------------------------------------------------- drill

constexpr double drillSide = 800;  // drawn 800 canvas units square

// Shading of a metal cylinder lying along x: bright band above the middle,
// dark at the rims. `across` runs -1 (bottom) to 1 (top).
Color metal(Color base, double across) {
    double a = std::max(-1.0, std::min(1.0, across));
    double facing = std::sqrt(1 - a * a);
    Color c = scaled(base, 0.35 + 0.55 * facing);
    double band = 1 - smoothstep(0.0, 0.22, std::fabs(a - 0.45));
    return mixColor(c, rgb(1, 1, 1), 0.7 * band);
}

// A straight dental handpiece, bur to the left since it creeps in from the
// right, with the hose leaving at the right.
Picture drawDrill() {
    Picture picture = makePicture(toolSide, toolSide);
    double unitsPerPixel = drillSide / toolSide;
    Frame frame = wholePicture(picture, unitsPerPixel, unitsPerPixel);
    double pixel = unitsPerPixel;
    const Color steel = rgb(0.78, 0.81, 0.86);
    const Color edge = rgb(0.22, 0.25, 0.30);

    // Radius of the handpiece along its length: nose cone, grip, body, coupling.
    auto radiusAt = [](double x) {
        if (x < -200) return 0.0;
        if (x < -70) return mix(13.0, 27.0, smoothstep(-200, -70, x));
        if (x < 330) return 30.0 + 2.0 * smoothstep(-70, 20, x);
        return 26.0;
    };
    auto hose = [&](Vec2 p) { return roundedBoxDistance(p, {362, -2}, {26, 17}, 6); };
    paintShape(picture, frame, hose, [&](Vec2 p, double d) {
        Color c = metal(rgb(0.32, 0.34, 0.38), (p.y + 2) / 17);
        return mixColor(c, edge, rim(d, 2 * pixel));
    });

    auto bur = [&](Vec2 p) {
        double shaft = capsuleDistance(p, {-292, 0}, {-190, 0}, 4.4);
        double head = circleDistance(p, {-300, 0}, 12);
        return roundMin(shaft, head, 3);
    };
    paintShape(picture, frame, bur, [&](Vec2 p, double d) {
        bool onHead = p.x < -284;
        Color c = metal(onHead ? rgb(0.95, 0.80, 0.45) : steel, p.y / (onHead ? 12 : 4.4));
        if (onHead) c = scaled(c, 0.8 + 0.35 * grain(p * 0.9, 7));  // diamond grit
        c.r = clamp01(c.r);
        c.g = clamp01(c.g);
        c.b = clamp01(c.b);
        return mixColor(c, edge, rim(d, 1.6 * pixel));
    });

    auto handpiece = [&](Vec2 p) {
        double r = radiusAt(p.x);
        double along = std::max(-202 - p.x, p.x - 340);
        double across = std::fabs(p.y) - r;
        return roundMax(across, along, 6);
    };
    paintShape(picture, frame, handpiece, [&](Vec2 p, double d) {
        double r = std::max(radiusAt(p.x), 1.0);
        Color base = steel;
        // Knurled grip near the nose, a blue band marking the speed, a seam at the coupling.
        bool knurl = p.x > -40 && p.x < 90;
        if (knurl) base = scaled(base, 0.85 + 0.15 * (waveSin(p.x * 0.9) > 0 ? 1 : 0));
        double ring = 1 - smoothstep(6, 8, std::fabs(p.x - 140));
        base = mixColor(base, rgb(0.25, 0.50, 0.90), ring);
        double seam = 1 - smoothstep(0.8, 2.2, std::fabs(p.x - 300));
        base = scaled(base, 1 - 0.45 * seam);
        Color c = metal(base, p.y / r);
        return mixColor(c, edge, rim(d, 2 * pixel));
    });
    return picture;
}

// ---------------------------------------------------------------- output

struct Image8 {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // top row first
};

std::uint8_t toByte(double v) { return static_cast<std::uint8_t>(std::floor(clamp01(v) * 255 + 0.5)); }

Image8 quantize(const Picture& picture) {
    Image8 image;
    image.width = picture.width;
    image.height = picture.height;
    image.rgba.resize(picture.pixels.size() * 4);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const Color& c = picture.pixels[i];
        std::uint8_t alpha = toByte(c.a);
        std::uint8_t* out = &image.rgba[i * 4];
        if (alpha == 0) {
            out[0] = out[1] = out[2] = out[3] = 0;
            continue;
        }
        out[0] = toByte(c.r / c.a);
        out[1] = toByte(c.g / c.a);
        out[2] = toByte(c.b / c.a);
        out[3] = alpha;
    }
    return image;
}

// Fully transparent pixels take the colour of the nearest visible one
// (breadth first over all eight neighbours, so nearest in king's moves), so linear filtering at a sprite's edge
// blends toward the sprite's own colour instead of toward black.
void bleedIntoTransparent(Image8& image) {
    std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    std::vector<std::uint8_t> reached(count, 0);
    std::vector<std::size_t> queue;
    queue.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (image.rgba[i * 4 + 3] != 0) {
            reached[i] = 1;
            queue.push_back(i);
        }
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
        std::size_t from = queue[head];
        int x = static_cast<int>(from % image.width);
        int y = static_cast<int>(from / image.width);
        const int steps[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
        for (const auto& step : steps) {
            int nx = x + step[0];
            int ny = y + step[1];
            if (nx < 0 || ny < 0 || nx >= image.width || ny >= image.height) continue;
            std::size_t to = static_cast<std::size_t>(ny) * image.width + nx;
            if (reached[to]) continue;
            reached[to] = 1;
            for (int k = 0; k < 3; ++k) image.rgba[to * 4 + k] = image.rgba[from * 4 + k];
            queue.push_back(to);
        }
    }
}

constexpr std::uint8_t targaUncompressed = 2;
constexpr std::uint8_t targaRunLength = 10;
constexpr std::uint8_t alphaBitsAndTopRowFirst = 8 | 32;
constexpr int maxPacketPixels = 128;

std::vector<std::uint8_t> targaHeader(const Image8& image, std::uint8_t type) {
    std::vector<std::uint8_t> header(18, 0);
    header[2] = type;
    header[12] = static_cast<std::uint8_t>(image.width & 0xff);
    header[13] = static_cast<std::uint8_t>(image.width >> 8);
    header[14] = static_cast<std::uint8_t>(image.height & 0xff);
    header[15] = static_cast<std::uint8_t>(image.height >> 8);
    header[16] = 32;
    header[17] = alphaBitsAndTopRowFirst;
    return header;
}

void appendPixel(std::vector<std::uint8_t>& out, const std::uint8_t* rgba) {
    out.push_back(rgba[2]);
    out.push_back(rgba[1]);
    out.push_back(rgba[0]);
    out.push_back(rgba[3]);
}

std::vector<std::uint8_t> encodeUncompressed(const Image8& image) {
    std::vector<std::uint8_t> out = targaHeader(image, targaUncompressed);
    for (std::size_t i = 0; i * 4 < image.rgba.size(); ++i) appendPixel(out, &image.rgba[i * 4]);
    return out;
}

// Run-length packets never cross a row end, as older readers expect.
std::vector<std::uint8_t> encodeRunLength(const Image8& image) {
    std::vector<std::uint8_t> out = targaHeader(image, targaRunLength);
    auto pixelAt = [&](int x, int y) { return &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4]; };
    auto same = [](const std::uint8_t* a, const std::uint8_t* b) {
        return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
    };
    for (int y = 0; y < image.height; ++y) {
        int x = 0;
        while (x < image.width) {
            int run = 1;
            while (x + run < image.width && run < maxPacketPixels && same(pixelAt(x, y), pixelAt(x + run, y))) ++run;
            if (run >= 2) {
                out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
                appendPixel(out, pixelAt(x, y));
                x += run;
                continue;
            }
            // Gather differing pixels until the next repeat begins.
            int raw = 1;
            while (x + raw < image.width && raw < maxPacketPixels &&
                   !(x + raw + 1 < image.width && same(pixelAt(x + raw, y), pixelAt(x + raw + 1, y))))
                ++raw;
            out.push_back(static_cast<std::uint8_t>(raw - 1));
            for (int i = 0; i < raw; ++i) appendPixel(out, pixelAt(x + i, y));
            x += raw;
        }
    }
    return out;
}

std::vector<std::uint8_t> encodeTarga(const Image8& image) {
    std::vector<std::uint8_t> packed = encodeRunLength(image);
    std::vector<std::uint8_t> plain = encodeUncompressed(image);
    return packed.size() < plain.size() ? packed : plain;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool writePicture(const std::string& folder, const char* name, const Picture& picture) {
    Image8 image = quantize(picture);
    bleedIntoTransparent(image);
    std::string path = folder + "/" + name;
    if (writeFile(path, encodeTarga(image))) return true;
    std::printf("cannot write %s\n", path.c_str());
    std::fflush(stdout);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: make-pictures OUTDIR\n");
        return 2;
    }
    std::string folder = argv[1];
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    bool ok = writePicture(folder, "bg.tga", drawBackground());
    ok = writePicture(folder, "teeth.tga", drawTeeth()) && ok;
    ok = writePicture(folder, "bacteria.tga", drawBacterium()) && ok;
    ok = writePicture(folder, "food.tga", drawFood()) && ok;
    ok = writePicture(folder, "brush.tga", drawBrush()) && ok;
    ok = writePicture(folder, "drill.tga", drawDrill()) && ok;
    return ok ? 0 : 1;
}
