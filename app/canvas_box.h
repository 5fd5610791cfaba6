// Where the 800 x 600 canvas goes in a window that cannot be held at 4:3 (a
// full screen): the largest 4:3 box that fits, centred, with bars beside it.
#pragma once

struct CanvasBox {
    int left = 0;  // window pixels from the left edge
    int top = 0;   // window pixels from the top edge, as the mouse counts them
    int width = 0;
    int height = 0;
};

// An empty box (zero width) when the window is too small for any canvas.
CanvasBox fitCanvas(int windowWidth, int windowHeight);
