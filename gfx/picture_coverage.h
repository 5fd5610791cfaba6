// What a picture's alpha says about where it can show: for every texel, whether
// it is clear (alpha 0), see-through or opaque. Measured once when the picture
// is uploaded, so sprites can skip the parts of their quad that never change a pixel.
#pragma once
#include <vector>

enum class TexelCover : unsigned char { Clear, Partial, Opaque };

struct PictureCoverage {
    int width = 0;
    int height = 0;
    bool measured = false;           // false: nothing is known, sprites draw their whole quad
    bool opaque = false;             // every texel opaque; then texels stays empty
    std::vector<TexelCover> texels;  // row by row, texture row 0 first

    TexelCover at(int column, int row) const;  // wraps around like GL_REPEAT
};

// channels as uploaded: 1 and 3 have no alpha and are opaque; 4 is R, G, B, A.
// Any other count, or a size that is not positive, leaves the picture unmeasured.
PictureCoverage measureCoverage(const unsigned char* pixels, int width, int height, int channels);
