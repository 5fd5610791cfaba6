// The outline as it was first worked out, texel by texel and with every
// rectangle tried: slow, plainly right, kept to show that the quicker outline
// gives the same corners to the bit.
#pragma once
#include "gfx/quad_outline.h"

QuadOutline referenceOutline(const unsigned char* rgba, int width, int height, const float texOffset[2],
                             const float texScale[2], double spriteArea);
