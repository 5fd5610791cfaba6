// The tooth table: where each of the eleven teeth stands and which atlas cell
// it shows. Plain data, shared by the game and the picture generator.
#pragma once

// One row of the tooth table, in the 800 x 600 design picture's pixels (origin
// top-left, y down).
struct ToothLayout {
    int width;
    int height;
    int atlasColumn;
    int atlasRow;
    int pictureX;
    int pictureY;
};

constexpr int toothCount = 11;
extern const ToothLayout toothLayouts[toothCount];
