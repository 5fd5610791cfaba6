// The brush sweeps in: a rising swish, as long as its entry, loudest as it
// arrives.
#include "tools/sounds/sounds.h"

Sound makeBrushIn() { return swish(1.0, 700, 3200, 0.75, 31); }
