// Running text for the signs: DejaVu Sans, set with stb_truetype into a
// coverage map the size of the picture, then laid over it with a soft shadow.
// The fonts come from Debian's fonts-dejavu-core; the same font file gives the
// same bytes on every run.
#pragma once

#include <string>
#include <vector>

#include "tools/pictures/painting.h"

enum class Weight { Regular, Bold };

// How much of each pixel the letters cover, 0 to 1, top row first.
struct Ink {
    int width = 0;
    int height = 0;
    std::vector<double> coverage;
    double& at(int x, int y) { return coverage[static_cast<std::size_t>(y) * width + x]; }
    double at(int x, int y) const { return coverage[static_cast<std::size_t>(y) * width + x]; }
};

// False, with a line on standard output, when a font file cannot be read.
bool fontsFound();

Ink makeInk(const Picture& picture);
// The pen's advance across the text, in pixels, for letters `em` pixels to the em.
double textWidth(const std::string& text, Weight weight, double em);
// Sets a line of text starting at `left` on the baseline `baseline` (pixels,
// y down).
void setText(Ink& ink, const std::string& text, Weight weight, double em, double left, double baseline);
// Sets one character with the middle of its ink box at (centreX, centreY).
void setCharacterCentred(Ink& ink, char character, Weight weight, double em, double centreX, double centreY);

// The ink's box in pixels (left, top, right, bottom, inclusive); empty when
// no pixel is covered.
struct InkBox {
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
};
InkBox inkBox(const Ink& ink);

// Lays the ink over the picture in `colour`, lifted off the ground by a soft
// shadow down and to the right, away from the light, unless `shadowed` is false.
void paintInk(Picture& picture, const Ink& ink, Color colour, bool shadowed = true);
