// Outlines are worked out in texel units (U across, V down the rows), then
// mapped back through the texture matrix into the unit quad. A fragment at U
// filters texel columns floor(U - 0.5) and the next, so texel i reaches
// fragments with U in (i - 0.5, i + 1.5); the outline keeps a whole texel of
// margin, [i - 1, i + 2], so rounding of interpolated coordinates never matters.
// The quad is cut into horizontal cells one texel high, and runs of cells are
// grouped into rectangles, each the box of its cells, the grouping that costs
// least chosen by dynamic programming.
#include "gfx/quad_outline.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Beyond this many repeats of the picture across the quad the outline is not worth working out.
constexpr double mostRepeats = 2;
// A rectangle spans at most this many cells, which bounds the work on tall pictures.
constexpr std::size_t mostCellsPerRect = 512;
// What a rectangle costs beyond its fragments, counted in fragments: llvmpipe
// sets up and bins its two triangles and shades the blocks of pixels along
// their shared diagonal twice. Measured on the game's own pictures.
constexpr double fragmentsPerUprightRect = 120;
constexpr double fragmentsPerTurnedRect = 120;
// On a large sprite every rectangle must save at least this share of its
// quad: each rectangle rounds its interpolated texture coordinates its own
// way, which over a large area changes the last bit of many more pixels than
// the few rectangles of a small sprite do.
constexpr double largeSpriteArea = 100000;
constexpr double leastLargeRectShare = 0.1;
// An outline this close to the whole quad is drawn as the whole quad.
constexpr double mostShareOfWhole = 0.97;

struct Mapping {
    double width, height;  // texels
    double offset[2], scale[2];
    OutlinePoint toQuad(double u, double v) const {
        const double s = std::clamp((u / width - offset[0]) / scale[0], 0.0, 1.0);
        const double t = std::clamp((v / height - offset[1]) / scale[1], 0.0, 1.0);
        return {static_cast<float>(s - 0.5), static_cast<float>(0.5 - t), static_cast<float>(s), static_cast<float>(t)};
    }
    // The unit quad's area in square texels.
    double quadTexels() const { return width * std::fabs(scale[0]) * height * std::fabs(scale[1]); }
    // Share of the unit quad that an area in square texels covers.
    double share(double texelArea) const { return texelArea / quadTexels(); }
};

// One texel-high strip of the quad and the columns that can show in it
// (left > right: none).
struct Cell {
    double top, bottom, left, right;
    bool empty() const { return left > right; }
};

struct Rect {
    double left, right, top, bottom;
};

// The cheapest cover of the cells by rectangles, each the box of a run of
// cells; with apart, rectangles keep at least one empty cell between them.
template <bool apart>
std::vector<Rect> coverCells(const std::vector<Cell>& cells, const Mapping& m, double rectShare) {
    const std::size_t n = cells.size();
    // Best cost of the first j cells, ending in a skipped empty cell or in a rectangle.
    std::vector<double> endSkip(n + 1, INFINITY), endRect(n + 1, INFINITY);
    std::vector<std::size_t> rectFrom(n + 1, 0);
    // What a rectangle starting at cell i adds its cost to, once known.
    std::vector<double> before(n + 1, INFINITY);
    const double quadTexels = m.quadTexels();
    endSkip[0] = 0;
    for (std::size_t j = 1; j <= n; ++j) {
        const std::size_t last = j - 1;
        before[last] = apart || last == 0 ? endSkip[last] : std::min(endSkip[last], endRect[last]);
        // A rectangle ending on an empty cell costs more than the same one
        // ending a cell earlier with the empty cell skipped: only skipping counts.
        if (cells[j - 1].empty()) {
            endSkip[j] = std::min(endSkip[j - 1], endRect[j - 1]);
            continue;
        }
        const double bottom = cells[j - 1].bottom;
        double left = INFINITY, right = -INFINITY;
        const std::size_t earliest = j > mostCellsPerRect ? j - mostCellsPerRect : 0;
        for (std::size_t i = j; i-- > earliest;) {
            left = std::min(left, cells[i].left);
            right = std::max(right, cells[i].right);
            // Kept apart, a rectangle starts only after a skipped cell. (Not
            // kept apart, a rectangle may start anywhere: the box is never
            // empty, as the last cell is not, and nothing before costs INFINITY.)
            if (apart && (left > right || before[i] == INFINITY)) continue;
            const double cost = before[i] + (right - left) * (bottom - cells[i].top) / quadTexels + rectShare;
            if (cost < endRect[j]) {
                endRect[j] = cost;
                rectFrom[j] = i;
            }
        }
    }
    std::vector<Rect> rects;
    std::size_t j = n;
    bool inRect = endRect[n] < endSkip[n];
    while (j > 0) {
        if (!inRect) {
            --j;
            inRect = endRect[j] < endSkip[j];
            continue;
        }
        const std::size_t i = rectFrom[j];
        Rect r{INFINITY, -INFINITY, cells[i].top, cells[j - 1].bottom};
        for (std::size_t k = i; k < j; ++k) {
            r.left = std::min(r.left, cells[k].left);
            r.right = std::max(r.right, cells[k].right);
        }
        rects.push_back(r);
        j = i;
        inRect = !apart && j > 0 && endRect[j] < endSkip[j];
    }
    std::reverse(rects.begin(), rects.end());
    return rects;
}

OutlineRects toQuad(const std::vector<Rect>& rects, const Mapping& m) {
    OutlineRects out;
    out.share = 0;
    for (const Rect& r : rects) {
        // Texture rows usually run down the quad, but a texture matrix may
        // mirror either way: the corners are sorted in the quad itself.
        const OutlinePoint a = m.toQuad(r.left, r.top), b = m.toQuad(r.right, r.bottom);
        const OutlinePoint& left = a.x < b.x ? a : b;
        const OutlinePoint& right = a.x < b.x ? b : a;
        const OutlinePoint& low = a.y < b.y ? a : b;
        const OutlinePoint& high = a.y < b.y ? b : a;
        out.corners.push_back({left.x, low.y, left.s, low.t});
        out.corners.push_back({right.x, low.y, right.s, low.t});
        out.corners.push_back({right.x, high.y, right.s, high.t});
        out.corners.push_back({left.x, high.y, left.s, high.t});
        out.share += m.share((r.right - r.left) * (r.bottom - r.top));
    }
    return out;
}

// The cells of the quad, or false when it is drawn whole (opaque set when
// everything it can sample is opaque).
bool prepareCells(const PictureCoverage& coverage, const float texOffset[2], const float texScale[2], Mapping& m,
                  std::vector<Cell>& cells, bool& opaqueWhole) {
    opaqueWhole = false;
    if (!coverage.measured) return false;
    if (coverage.opaque) {
        opaqueWhole = true;
        return false;
    }
    m = Mapping{static_cast<double>(coverage.width),
                static_cast<double>(coverage.height),
                {texOffset[0], texOffset[1]},
                {texScale[0], texScale[1]}};
    if (!(std::isfinite(m.offset[0]) && std::isfinite(m.offset[1]) && std::isfinite(m.scale[0]) &&
          std::isfinite(m.scale[1]) && m.scale[0] != 0 && m.scale[1] != 0))
        return false;
    if (std::fabs(m.scale[0]) > mostRepeats || std::fabs(m.scale[1]) > mostRepeats || std::fabs(m.offset[0]) > 1e6 ||
        std::fabs(m.offset[1]) > 1e6)
        return false;

    // The quad's reach in texels.
    const double u0 = std::min(m.offset[0], m.offset[0] + m.scale[0]) * m.width;
    const double u1 = std::max(m.offset[0], m.offset[0] + m.scale[0]) * m.width;
    const double v0 = std::min(m.offset[1], m.offset[1] + m.scale[1]) * m.height;
    const double v1 = std::max(m.offset[1], m.offset[1] + m.scale[1]) * m.height;
    // Texel columns and rows are counted in int, margins and all; a texture
    // offset far out, times a wide picture, would not fit.
    constexpr double mostTexelReach = INT_MAX / 4;
    if (!(std::fabs(u0) < mostTexelReach && std::fabs(u1) < mostTexelReach && std::fabs(v0) < mostTexelReach &&
          std::fabs(v1) < mostTexelReach))
        return false;
    const int firstColumn = static_cast<int>(std::floor(u0)) - 1;
    const int lastColumn = static_cast<int>(std::ceil(u1));
    const int firstCell = static_cast<int>(std::floor(v0));
    const int lastCell = static_cast<int>(std::ceil(v1)) - 1;
    const int firstRow = firstCell - 1;
    const int lastRow = lastCell + 1;

    // Which columns of each row can show, and whether all of them are opaque.
    const std::size_t rows = static_cast<std::size_t>(lastRow - firstRow + 1);
    std::vector<int> rowFirst(rows), rowLast(rows);
    bool opaque = true;
    for (int row = firstRow; row <= lastRow; ++row) {
        const std::size_t r = static_cast<std::size_t>(row - firstRow);
        const RowReach reach = coverage.reach(row, firstColumn, lastColumn);
        opaque = opaque && reach.opaque;
        rowFirst[r] = reach.first;
        rowLast[r] = reach.last;
    }
    if (opaque) {
        opaqueWhole = true;
        return false;
    }

    // Cell k (V from k to k + 1) is reached by rows k - 1 to k + 1.
    cells.clear();
    for (int cell = firstCell; cell <= lastCell; ++cell) {
        int first = INT_MAX, last = INT_MIN;
        for (int row = cell - 1; row <= cell + 1; ++row) {
            const std::size_t r = static_cast<std::size_t>(row - firstRow);
            first = std::min(first, rowFirst[r]);
            last = std::max(last, rowLast[r]);
        }
        Cell c{std::max(static_cast<double>(cell), v0), std::min(cell + 1.0, v1), INFINITY, -INFINITY};
        if (first <= last) c.left = std::max(first - 1.0, u0), c.right = std::min(last + 2.0, u1);
        cells.push_back(c);
    }

    return true;
}

double rectShareFor(double spriteArea, double fragmentsPerRect) {
    const double area = spriteArea > 0 ? spriteArea : 1600;
    const double leastShare = area >= largeSpriteArea ? leastLargeRectShare : 0;
    return std::max(fragmentsPerRect / area, leastShare);
}

}  // namespace

QuadOutline outlineQuad(const PictureCoverage& coverage, const float texOffset[2], const float texScale[2],
                        double spriteArea, bool turnedNow) {
    QuadOutline whole;
    Mapping m{};
    std::vector<Cell> cells;
    if (!prepareCells(coverage, texOffset, texScale, m, cells, whole.opaque)) return whole;
    QuadOutline outline;
    outline.whole = false;
    outline.upright = toQuad(coverCells<false>(cells, m, rectShareFor(spriteArea, fragmentsPerUprightRect)), m);
    // Whether the whole quad does as well depends on the turned rectangles
    // only when the upright ones come near it.
    if (!turnedNow && outline.upright.share < mostShareOfWhole) {
        outline.turnedReady = false;
        return outline;
    }
    outline.turned = toQuad(coverCells<true>(cells, m, rectShareFor(spriteArea, fragmentsPerTurnedRect)), m);
    if (outline.upright.share >= mostShareOfWhole && outline.turned.share >= mostShareOfWhole) return whole;
    return outline;
}

void addTurnedOutline(QuadOutline& outline, const PictureCoverage& coverage, const float texOffset[2],
                      const float texScale[2], double spriteArea) {
    if (outline.turnedReady) return;
    Mapping m{};
    std::vector<Cell> cells;
    bool opaque = false;
    if (prepareCells(coverage, texOffset, texScale, m, cells, opaque))
        outline.turned = toQuad(coverCells<true>(cells, m, rectShareFor(spriteArea, fragmentsPerTurnedRect)), m);
    outline.turnedReady = true;
}
