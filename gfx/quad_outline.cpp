// Outlines in texel units first (U across, V down the rows), then mapped back
// through the texture matrix into the unit quad. A fragment at (U, V) filters
// texel columns floor(U - 0.5) and the next, so a texel i can reach fragments
// with U in (i - 0.5, i + 1.5); the outline keeps a whole texel of margin,
// [i - 1, i + 2], so rounding of interpolated coordinates never matters.
#include "gfx/quad_outline.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Beyond this many repeats of the picture across the quad the outline is not worth working out.
constexpr double mostRepeats = 4;
// A corner is cut off (one more triangle to draw) only if it saves this share of the quad.
constexpr double leastCutShare = 0.02;
// An outline this close to the whole quad is drawn as the whole quad.
constexpr double mostShareOfWhole = 0.97;

struct Point {
    double u, v;
};

struct Box {
    double uMin = INFINITY, uMax = -INFINITY, vMin = INFINITY, vMax = -INFINITY;
    double sumMin = INFINITY, sumMax = -INFINITY, diffMin = INFINITY, diffMax = -INFINITY;
    void add(double u, double v) {
        uMin = std::min(uMin, u), uMax = std::max(uMax, u);
        vMin = std::min(vMin, v), vMax = std::max(vMax, v);
        sumMin = std::min(sumMin, u + v), sumMax = std::max(sumMax, u + v);
        diffMin = std::min(diffMin, u - v), diffMax = std::max(diffMax, u - v);
    }
};

struct Mapping {
    double width, height;  // texels
    double offset[2], scale[2];
    OutlinePoint toQuad(Point p) const {
        const double s = std::clamp((p.u / width - offset[0]) / scale[0], 0.0, 1.0);
        const double t = std::clamp((p.v / height - offset[1]) / scale[1], 0.0, 1.0);
        return {static_cast<float>(s - 0.5), static_cast<float>(0.5 - t), static_cast<float>(s), static_cast<float>(t)};
    }
    // Share of the unit quad that an area in square texels covers.
    double share(double texelArea) const {
        return texelArea / (width * std::fabs(scale[0]) * height * std::fabs(scale[1]));
    }
};

// The box of the required rectangles with those corners cut off that are
// worth a triangle: the cut lines are U + V and U - V at their extremes over
// all rectangle corners, so every rectangle stays inside.
std::vector<Point> octagon(const Box& b, const Mapping& m) {
    const double cutTopLeft = b.sumMin - (b.uMin + b.vMin);
    const double cutTopRight = (b.uMax - b.vMin) - b.diffMax;
    const double cutBottomRight = (b.uMax + b.vMax) - b.sumMax;
    const double cutBottomLeft = b.diffMin - (b.uMin - b.vMax);
    auto worth = [&](double leg) { return m.share(leg * leg / 2) >= leastCutShare; };
    std::vector<Point> p;
    if (worth(cutTopLeft)) {
        p.push_back({b.uMin, b.sumMin - b.uMin});
        p.push_back({b.sumMin - b.vMin, b.vMin});
    } else {
        p.push_back({b.uMin, b.vMin});
    }
    if (worth(cutTopRight)) {
        p.push_back({b.diffMax + b.vMin, b.vMin});
        p.push_back({b.uMax, b.uMax - b.diffMax});
    } else {
        p.push_back({b.uMax, b.vMin});
    }
    if (worth(cutBottomRight)) {
        p.push_back({b.uMax, b.sumMax - b.uMax});
        p.push_back({b.sumMax - b.vMax, b.vMax});
    } else {
        p.push_back({b.uMax, b.vMax});
    }
    if (worth(cutBottomLeft)) {
        p.push_back({b.diffMin + b.vMax, b.vMax});
        p.push_back({b.uMin, b.uMin - b.diffMin});
    } else {
        p.push_back({b.uMin, b.vMax});
    }
    return p;
}

// Appends a piece in quad corners, counter-clockwise, without repeated
// corners; returns its area in the unit quad.
double addPiece(QuadOutline& outline, const std::vector<Point>& piece, const Mapping& m) {
    std::vector<OutlinePoint> corners;
    for (const Point& p : piece) {
        const OutlinePoint q = m.toQuad(p);
        if (!corners.empty() && corners.back().x == q.x && corners.back().y == q.y) continue;
        corners.push_back(q);
    }
    while (corners.size() > 1 && corners.front().x == corners.back().x && corners.front().y == corners.back().y)
        corners.pop_back();
    double twiceArea = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const OutlinePoint& a = corners[i];
        const OutlinePoint& b = corners[(i + 1) % corners.size()];
        twiceArea += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    if (corners.size() < 3 || twiceArea == 0) return 0;
    if (twiceArea < 0) std::reverse(corners.begin(), corners.end());
    outline.points.insert(outline.points.end(), corners.begin(), corners.end());
    outline.pieceSizes.push_back(static_cast<int>(corners.size()));
    return std::fabs(twiceArea) / 2;
}

}  // namespace

QuadOutline outlineQuad(const PictureCoverage& coverage, const float texOffset[2], const float texScale[2]) {
    QuadOutline whole;
    if (!coverage.measured) return whole;
    if (coverage.opaque) {
        whole.opaque = true;
        return whole;
    }
    const Mapping m{static_cast<double>(coverage.width),
                    static_cast<double>(coverage.height),
                    {texOffset[0], texOffset[1]},
                    {texScale[0], texScale[1]}};
    if (!(std::isfinite(m.offset[0]) && std::isfinite(m.offset[1]) && std::isfinite(m.scale[0]) &&
          std::isfinite(m.scale[1]) && m.scale[0] != 0 && m.scale[1] != 0))
        return whole;
    if (std::fabs(m.scale[0]) > mostRepeats || std::fabs(m.scale[1]) > mostRepeats || std::fabs(m.offset[0]) > 1e6 ||
        std::fabs(m.offset[1]) > 1e6)
        return whole;

    // The quad's reach in texels.
    const double u0 = std::min(m.offset[0], m.offset[0] + m.scale[0]) * m.width;
    const double u1 = std::max(m.offset[0], m.offset[0] + m.scale[0]) * m.width;
    const double v0 = std::min(m.offset[1], m.offset[1] + m.scale[1]) * m.height;
    const double v1 = std::max(m.offset[1], m.offset[1] + m.scale[1]) * m.height;
    const int firstColumn = static_cast<int>(std::floor(u0)) - 1;
    const int lastColumn = static_cast<int>(std::ceil(u1));
    const int firstCell = static_cast<int>(std::floor(v0));
    const int lastCell = static_cast<int>(std::ceil(v1)) - 1;
    const int firstRow = firstCell - 1;
    const int lastRow = lastCell + 1;

    // Which columns of each row can show, and whether all of them are opaque.
    const std::size_t rows = static_cast<std::size_t>(lastRow - firstRow + 1);
    std::vector<int> rowFirst(rows, INT_MAX), rowLast(rows, INT_MIN);
    bool opaque = true;
    for (int row = firstRow; row <= lastRow; ++row) {
        const std::size_t r = static_cast<std::size_t>(row - firstRow);
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const TexelCover cover = coverage.at(column, row);
            if (cover != TexelCover::Opaque) opaque = false;
            if (cover == TexelCover::Clear) continue;
            rowFirst[r] = std::min(rowFirst[r], column);
            rowLast[r] = std::max(rowLast[r], column);
        }
    }
    if (opaque) {
        whole.opaque = true;
        return whole;
    }

    // Cell k (V from k to k + 1) is reached by rows k - 1 to k + 1. Runs of
    // cells that can show become one convex piece each; runs are at least a
    // texel apart, so pieces never share an edge.
    QuadOutline outline;
    outline.whole = false;
    double area = 0;
    Box run;
    bool inRun = false;
    for (int cell = firstCell; cell <= lastCell + 1; ++cell) {
        int first = INT_MAX, last = INT_MIN;
        if (cell <= lastCell) {
            for (int row = cell - 1; row <= cell + 1; ++row) {
                const std::size_t r = static_cast<std::size_t>(row - firstRow);
                first = std::min(first, rowFirst[r]);
                last = std::max(last, rowLast[r]);
            }
        }
        if (first <= last) {
            const double left = std::max(first - 1.0, u0), right = std::min(last + 2.0, u1);
            const double top = std::max(static_cast<double>(cell), v0), bottom = std::min(cell + 1.0, v1);
            for (const Point& p : {Point{left, top}, Point{right, top}, Point{right, bottom}, Point{left, bottom}})
                run.add(p.u, p.v);
            inRun = true;
        } else if (inRun) {
            area += addPiece(outline, octagon(run, m), m);
            run = Box{};
            inRun = false;
        }
    }
    if (area >= mostShareOfWhole) return whole;
    return outline;
}
