// The brush sweeps away: a falling swish that fades as it goes.
#include "tools/sounds/sounds.h"

Sound makeBrushOut() { return swish(0.8, 3000, 600, 0.2, 47); }
