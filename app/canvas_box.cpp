// Fitting the canvas into a window of any shape.
#include "app/canvas_box.h"

#include <algorithm>

CanvasBox fitCanvas(int windowWidth, int windowHeight) {
    if (windowWidth <= 0 || windowHeight <= 0) return {};
    // The 4:3 height of a width, truncated as the windowed reshape does it.
    const int width = std::min(windowWidth, static_cast<int>(windowHeight * 4.0 / 3.0));
    const int height = static_cast<int>(width * 0.75);
    if (height <= 0) return {};
    return {(windowWidth - width) / 2, (windowHeight - height) / 2, width, height};
}
