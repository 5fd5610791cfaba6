// A picture being drawn, the frame that maps its pixels to a shape's own
// units, and painting a shape (a distance field) into it with a soft edge.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/pictures/colour.h"
#include "tools/pictures/maths.h"

// Colours are kept premultiplied while drawing, so layering is plain "over".
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;
};

// All transparent.
Picture makePicture(int width, int height);

// Maps picture pixels to the coordinates a shape is described in.
struct Frame {
    double originX = 0;  // pixel position of the shape's origin
    double originY = 0;
    double unitsPerPixelX = 1;
    double unitsPerPixelY = 1;
    double upSign = 1;  // +1: shape y grows up the picture; -1: down it
    int left = 0;       // pixels painted: [left, right) x [top, bottom)
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The shape's origin at the picture's middle, y up, every pixel painted.
Frame wholePicture(const Picture& picture, double unitsPerPixelX, double unitsPerPixelY);
double pixelSize(const Frame& frame);
// The centre of pixel (px, py) in the shape's units.
Vec2 toShape(const Frame& frame, int px, int py);
// Lays a straight colour over a premultiplied pixel.
void blendOver(Color& target, Color paint, double coverage);

// Lays a shape over one pixel whose centre is p, with a coverage-based soft
// edge one pixel wide: the shape's distance d at the centre says how much of
// the pixel it covers. `paint` gets the point and its distance and returns a
// straight colour.
template <typename Paint>
void paintPixel(Color& target, Vec2 p, double d, double pixel, Paint paint) {
    double coverage = clamp01(0.5 - d / pixel);
    if (coverage <= 0) return;
    blendOver(target, paint(p, d), coverage);
}

// Paints a shape over every pixel of the frame, as paintPixel does one.
template <typename Distance, typename Paint>
void paintShape(Picture& picture, const Frame& frame, Distance distance, Paint paint) {
    double pixel = pixelSize(frame);
    for (int py = frame.top; py < frame.bottom; ++py) {
        for (int px = frame.left; px < frame.right; ++px) {
            Vec2 p = toShape(frame, px, py);
            paintPixel(picture.pixels[static_cast<std::size_t>(py) * picture.width + px], p, distance(p), pixel, paint);
        }
    }
}

// An outline of `width` units just inside a shape's edge: 1 on the edge,
// fading to 0 inward.
double rim(double distance, double width);
