// Pictures, frames and the "over" blend the painter layers shapes with.
#include "tools/pictures/painting.h"

Picture makePicture(int width, int height) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(static_cast<std::size_t>(width) * height, Color{0, 0, 0, 0});
    return picture;
}

Frame wholePicture(const Picture& picture, double unitsPerPixelX, double unitsPerPixelY) {
    Frame frame;
    frame.originX = picture.width * 0.5;
    frame.originY = picture.height * 0.5;
    frame.unitsPerPixelX = unitsPerPixelX;
    frame.unitsPerPixelY = unitsPerPixelY;
    frame.right = picture.width;
    frame.bottom = picture.height;
    return frame;
}

double pixelSize(const Frame& frame) { return 0.5 * (frame.unitsPerPixelX + frame.unitsPerPixelY); }

Vec2 toShape(const Frame& frame, int px, int py) {
    return {(px + 0.5 - frame.originX) * frame.unitsPerPixelX,
            (frame.originY - (py + 0.5)) * frame.unitsPerPixelY * frame.upSign};
}

void blendOver(Color& target, Color paint, double coverage) {
    double a = clamp01(paint.a) * coverage;
    target.r = paint.r * a + target.r * (1 - a);
    target.g = paint.g * a + target.g * (1 - a);
    target.b = paint.b * a + target.b * (1 - a);
    target.a = a + target.a * (1 - a);
}

double rim(double distance, double width) { return 1 - smoothstep(width * 0.6, width * 1.4, -distance); }
