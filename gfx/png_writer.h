// Writing a picture as a PNG file through libpng: 8-bit RGB, no alpha, since a
// window shows no transparency. Needs no OpenGL.
#pragma once

// pixels: RGBA, top row first, width x height. False (with a diagnostic line)
// when the file cannot be written.
bool writePngFile(const char* fileName, const unsigned char* pixels, int width, int height);
