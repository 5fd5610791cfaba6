// The pictures Velmora loads and its desktop icon, each drawn by its own
// file here. The toolkit they share: maths, noise, distance, colour, painting,
// and the looks of a tooth and the bacterium.
#pragma once

#include "tools/pictures/painting.h"

Picture drawBackground();     // img/bg.tga: the mouth
// Only its rows [top, bottom) painted, the same pixels there as the whole
// one's (every pixel is painted on its own); the rest left transparent. The
// page draws the mouth in bands, one a worker.
Picture drawBackgroundRows(int top, int bottom);
Picture drawTeeth();          // img/teeth.tga: the atlas of every tooth
Picture drawBacterium();      // img/bacteria.tga
Picture drawFood();           // img/food.tga: a wrapped sweet
Picture drawBrush();          // img/brush.tga
Picture drawDrill();          // img/drill.tga
Picture drawPausedSign();     // img/paused.tga: shown while the game is paused
Picture drawHelpSign();       // img/help.tga: how to play, 512 x 256
Picture drawEndedSign();      // img/ended.tga: a recording has played to its end
Picture drawWatchingLabel();  // img/watching.tga: a recording is playing
Picture drawDigits();         // img/digits.tga: "0123456789x:" in 16 x 32 cells

// The brush and the drill share one sprite size.
constexpr int toolSide = 512;

// The desktop icon, side pixels square.
Picture drawIcon(int side);
