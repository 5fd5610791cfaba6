// Writing a picture as a PNG file through libpng: 8-bit RGB, no alpha, for
// shots of a window, which shows no transparency; or 8-bit RGBA for pictures
// with a clear background, such as the desktop icons. Needs no OpenGL.
#pragma once

// pixels: RGBA, top row first, width x height. False (with a diagnostic line)
// when the file cannot be written.
bool writePngFile(const char* fileName, const unsigned char* pixels, int width, int height);

// The same, keeping the alpha channel.
bool writeRgbaPngFile(const char* fileName, const unsigned char* pixels, int width, int height);
