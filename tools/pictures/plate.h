// The plate every sign sits on: a rounded, pillowed slab of dark glass whose
// edge fades out instead of stopping at a line, translucent so the mouth
// shows through.
#pragma once

#include "tools/pictures/painting.h"

// A plate round the frame's origin, `half` its half size and `corner` the
// radius of its corners, in the frame's units.
void paintPlate(Picture& picture, const Frame& frame, Vec2 half, double corner);
