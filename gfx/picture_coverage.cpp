// Alpha runs of a picture's rows, kept with its texture. Large even areas are
// passed over sixteen texels at a time; only where alpha changes within those
// sixteen is each texel looked at.
#include "gfx/picture_coverage.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

// Opens and closes one kind of run along a row.
struct RunWriter {
    std::vector<CoverRun>& runs;
    int start = -1;  // the open run's first column; -1: none open
    bool open() const { return start >= 0; }
    void note(bool inside, int column) {
        if (inside == open()) return;
        if (inside) {
            start = column;
        } else {
            runs.push_back({start, column - 1});
            start = -1;
        }
    }
    void finish(int width) {
        if (open()) runs.push_back({start, width - 1});
        start = -1;
    }
};

int floorDiv(int a, int b) { return a / b - (a % b != 0 && a < 0 ? 1 : 0); }

}  // namespace

RowReach PictureCoverage::reach(int row, int firstColumn, int lastColumn) const {
    RowReach out;
    if (firstColumn > lastColumn || width <= 0 || height <= 0) return out;
    if (opaque) {
        out.first = firstColumn;
        out.last = lastColumn;
        return out;
    }
    const std::size_t r = static_cast<std::size_t>(((row % height) + height) % height);
    // Each repeat of the picture that the stretch reaches, in the picture's own columns.
    for (long long base = static_cast<long long>(floorDiv(firstColumn, width)) * width; base <= lastColumn;
         base += width) {
        const int a = static_cast<int>(std::max<long long>(firstColumn, base) - base);
        const int b = static_cast<int>(std::min<long long>(lastColumn, base + width - 1) - base);
        for (std::size_t i = shownFrom[r]; i < shownFrom[r + 1]; ++i) {
            const CoverRun& run = shown[i];
            if (run.last < a) continue;
            if (run.first > b) break;
            out.first = std::min(out.first, static_cast<int>(base + std::max(a, run.first)));
            out.last = std::max(out.last, static_cast<int>(base + std::min(b, run.last)));
        }
        for (std::size_t i = seeThroughFrom[r]; out.opaque && i < seeThroughFrom[r + 1]; ++i) {
            const CoverRun& run = seeThrough[i];
            if (run.last >= a && run.first <= b) out.opaque = false;
            if (run.first > b) break;
        }
    }
    return out;
}

PictureCoverage measureCoverage(const unsigned char* pixels, int width, int height, int channels) {
    PictureCoverage coverage;
    if (!pixels || width <= 0 || height <= 0) return coverage;
    coverage.width = width;
    coverage.height = height;
    if (channels == 1 || channels == 3) {
        coverage.measured = true;
        coverage.opaque = true;
        return coverage;
    }
    if (channels != 4) return coverage;
    // The alpha bytes of two texels, whatever the machine's byte order.
    const unsigned char alphaPattern[8] = {0, 0, 0, 255, 0, 0, 0, 255};
    std::uint64_t alphaBits = 0;
    std::memcpy(&alphaBits, alphaPattern, sizeof alphaBits);

    coverage.shownFrom.reserve(static_cast<std::size_t>(height) + 1);
    coverage.seeThroughFrom.reserve(static_cast<std::size_t>(height) + 1);
    RunWriter shown{coverage.shown}, seeThrough{coverage.seeThrough};
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        coverage.shownFrom.push_back(static_cast<std::uint32_t>(coverage.shown.size()));
        coverage.seeThroughFrom.push_back(static_cast<std::uint32_t>(coverage.seeThrough.size()));
        const unsigned char* row = pixels + static_cast<std::size_t>(y) * rowBytes;
        auto note = [&](int x) {
            const unsigned char alpha = row[static_cast<std::size_t>(x) * 4 + 3];
            shown.note(alpha != 0, x);
            seeThrough.note(alpha != 255, x);
        };
        int x = 0;
        for (; x + 16 <= width; x += 16) {
            const unsigned char* texels = row + static_cast<std::size_t>(x) * 4;
            auto word = [texels](int k) {
                std::uint64_t w;
                std::memcpy(&w, texels + k * 8, sizeof w);
                return w;
            };
            // Sixteen texels that go on the runs already open change nothing.
            if (shown.open() && !seeThrough.open()) {
                const std::uint64_t all = word(0) & word(1) & word(2) & word(3) & word(4) & word(5) & word(6) & word(7);
                if ((all & alphaBits) == alphaBits) continue;
            } else if (!shown.open() && seeThrough.open()) {
                const std::uint64_t any = word(0) | word(1) | word(2) | word(3) | word(4) | word(5) | word(6) | word(7);
                if ((any & alphaBits) == 0) continue;
            }
            for (int k = 0; k < 16; ++k) note(x + k);
        }
        for (; x < width; ++x) note(x);
        shown.finish(width);
        seeThrough.finish(width);
    }
    coverage.shownFrom.push_back(static_cast<std::uint32_t>(coverage.shown.size()));
    coverage.seeThroughFrom.push_back(static_cast<std::uint32_t>(coverage.seeThrough.size()));
    coverage.measured = true;
    if (coverage.seeThrough.empty()) coverage = PictureCoverage{width, height, true, true, {}, {}, {}, {}};
    return coverage;
}
