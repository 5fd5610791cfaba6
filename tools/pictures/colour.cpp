// Blending and scaling of drawing colours.
#include "tools/pictures/colour.h"

Color mixColor(Color from, Color to, double t) {
    return {mix(from.r, to.r, t), mix(from.g, to.g, t), mix(from.b, to.b, t), mix(from.a, to.a, t)};
}

Color scaled(Color c, double k) { return {c.r * k, c.g * k, c.b * k, c.a}; }
