// What a picture's alpha says about where it can show: for every row, the runs
// of texels that are not clear (alpha above 0) and the runs that are not
// opaque (alpha below 255). Measured once when the picture is uploaded, so
// sprites can skip the parts of their quad that never change a pixel; runs,
// rather than a class per texel, keep both the measuring and the questions
// about a row's stretch short for pictures made of large even areas.
#pragma once
#include <climits>
#include <cstdint>
#include <vector>

struct CoverRun {
    int first, last;  // columns, inclusive
};

// What a stretch of one row holds.
struct RowReach {
    int first = INT_MAX, last = INT_MIN;  // the columns that are not clear; first > last: none
    bool opaque = true;                   // every texel of the stretch opaque
};

struct PictureCoverage {
    int width = 0;
    int height = 0;
    bool measured = false;  // false: nothing is known, sprites draw their whole quad
    bool opaque = false;    // every texel opaque; then the runs stay empty
    // Row r's runs are shown[shownFrom[r]] up to shown[shownFrom[r + 1]], left
    // to right; the same for seeThrough. Texture row 0 first.
    std::vector<CoverRun> shown, seeThrough;
    std::vector<std::uint32_t> shownFrom, seeThroughFrom;

    // The columns firstColumn to lastColumn of a row, which may lie outside
    // the picture: it wraps around like GL_REPEAT. Columns must stay within
    // a quarter of int's range.
    RowReach reach(int row, int firstColumn, int lastColumn) const;
};

// channels as uploaded: 1 and 3 have no alpha and are opaque; 4 is R, G, B, A.
// Any other count, or a size that is not positive, leaves the picture unmeasured.
PictureCoverage measureCoverage(const unsigned char* pixels, int width, int height, int channels);
