// The bacterium's look, for the bacterium sprite and the icon: painted into
// any frame, in units where its body is 26 wide and 35 tall round the origin.
#pragma once

#include "tools/pictures/painting.h"

// Tail, cilia, body, grin and eyes, facing up the frame.
void paintBacterium(Picture& picture, const Frame& frame);
