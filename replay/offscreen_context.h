// An OpenGL context without a window: Mesa's surfaceless EGL platform with a
// framebuffer object as the drawing target. Used by the replay, the rendering
// tests and the benchmarks; needs no X server.
#pragma once
#include <vector>

struct OffscreenContext;

// Null when no context could be made (the reason is printed on standard error).
OffscreenContext* createOffscreenContext(int width, int height);
void destroyOffscreenContext(OffscreenContext* context);
// Gives the drawing target a new size (contents are lost).
void resizeOffscreen(OffscreenContext* context, int width, int height);
// Waits for drawing to finish, as a buffer swap would.
void finishOffscreenFrame(OffscreenContext* context);
// The pixels drawn, RGBA, top row first.
std::vector<unsigned char> readOffscreenPixels(OffscreenContext* context, int& width, int& height);
// The renderer's name, e.g. "llvmpipe (LLVM ...)".
const char* offscreenRenderer();
