// The first outline, texel by texel; see quad_outline_reference.h.
#include "tests/quad_outline_reference.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

enum class Cover { Clear, Partial, Opaque };

struct Mapping {
    double width, height;
    double offset[2], scale[2];
    OutlinePoint toQuad(double u, double v) const {
        const double s = std::clamp((u / width - offset[0]) / scale[0], 0.0, 1.0);
        const double t = std::clamp((v / height - offset[1]) / scale[1], 0.0, 1.0);
        return {static_cast<float>(s - 0.5), static_cast<float>(0.5 - t), static_cast<float>(s), static_cast<float>(t)};
    }
    double share(double texelArea) const {
        return texelArea / (width * std::fabs(scale[0]) * height * std::fabs(scale[1]));
    }
};

struct Cell {
    double top, bottom, left, right;
    bool empty() const { return left > right; }
};

struct Rect {
    double left, right, top, bottom;
};

std::vector<Rect> coverCells(const std::vector<Cell>& cells, const Mapping& m, double rectShare, bool apart) {
    const std::size_t n = cells.size();
    std::vector<double> endSkip(n + 1, INFINITY), endRect(n + 1, INFINITY);
    std::vector<std::size_t> rectFrom(n + 1, 0);
    endSkip[0] = 0;
    for (std::size_t j = 1; j <= n; ++j) {
        if (cells[j - 1].empty()) endSkip[j] = std::min(endSkip[j - 1], endRect[j - 1]);
        double left = INFINITY, right = -INFINITY;
        const std::size_t earliest = j > 512 ? j - 512 : 0;
        for (std::size_t i = j; i-- > earliest;) {
            left = std::min(left, cells[i].left);
            right = std::max(right, cells[i].right);
            if (left > right) continue;
            const double before = apart || i == 0 ? endSkip[i] : std::min(endSkip[i], endRect[i]);
            const double cost = before + m.share((right - left) * (cells[j - 1].bottom - cells[i].top)) + rectShare;
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

}  // namespace

QuadOutline referenceOutline(const unsigned char* rgba, int width, int height, const float texOffset[2],
                             const float texScale[2], double spriteArea) {
    QuadOutline whole;
    std::vector<Cover> texels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    bool allOpaque = true;
    for (std::size_t i = 0; i < texels.size(); ++i) {
        const unsigned char alpha = rgba[i * 4 + 3];
        texels[i] = alpha == 0 ? Cover::Clear : alpha == 255 ? Cover::Opaque : Cover::Partial;
        allOpaque = allOpaque && texels[i] == Cover::Opaque;
    }
    if (allOpaque) {
        whole.opaque = true;
        return whole;
    }
    auto at = [&](int column, int row) {
        const int c = ((column % width) + width) % width, r = ((row % height) + height) % height;
        return texels[static_cast<std::size_t>(r) * static_cast<std::size_t>(width) + static_cast<std::size_t>(c)];
    };
    const Mapping m{static_cast<double>(width),
                    static_cast<double>(height),
                    {texOffset[0], texOffset[1]},
                    {texScale[0], texScale[1]}};
    if (!(std::isfinite(m.offset[0]) && std::isfinite(m.offset[1]) && std::isfinite(m.scale[0]) &&
          std::isfinite(m.scale[1]) && m.scale[0] != 0 && m.scale[1] != 0))
        return whole;
    if (std::fabs(m.scale[0]) > 2 || std::fabs(m.scale[1]) > 2 || std::fabs(m.offset[0]) > 1e6 ||
        std::fabs(m.offset[1]) > 1e6)
        return whole;
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
    const std::size_t rows = static_cast<std::size_t>(lastRow - firstRow + 1);
    std::vector<int> rowFirst(rows, INT_MAX), rowLast(rows, INT_MIN);
    bool opaque = true;
    for (int row = firstRow; row <= lastRow; ++row) {
        const std::size_t r = static_cast<std::size_t>(row - firstRow);
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const Cover cover = at(column, row);
            if (cover != Cover::Opaque) opaque = false;
            if (cover == Cover::Clear) continue;
            rowFirst[r] = std::min(rowFirst[r], column);
            rowLast[r] = std::max(rowLast[r], column);
        }
    }
    if (opaque) {
        whole.opaque = true;
        return whole;
    }
    std::vector<Cell> cells;
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
    const double area = spriteArea > 0 ? spriteArea : 1600;
    QuadOutline outline;
    outline.whole = false;
    const double leastShare = area >= 100000 ? 0.1 : 0;
    outline.upright = toQuad(coverCells(cells, m, std::max(120 / area, leastShare), false), m);
    outline.turned = toQuad(coverCells(cells, m, std::max(120 / area, leastShare), true), m);
    if (outline.upright.share >= 0.97 && outline.turned.share >= 0.97) return whole;
    return outline;
}
