// A copy of the pixels an opaque, upright sprite painted. Drawn unblended, such
// a sprite paints the same pixels every frame until its place, its tint or the
// view changes, whatever lies under it. The mouth fills the whole canvas from
// a picture larger than the canvas, so filtering it again costs the software
// renderer about half of a quiet frame; copying the kept pixels back costs a
// small part of that and gives the same pixels, byte for byte.
#pragma once

struct KeptPixels {
    unsigned int framebuffer = 0;  // holds the copy; 0 before the first one
    unsigned int colorTexture = 0;
    // Kept the way the window stores its rows: top row first, blue first.
    bool forWindow = false;
    int x = 0, y = 0, width = 0, height = 0;  // the window pixels it covers
    float madeFor[40] = {};                   // modelview, projection, viewport and colour of the copy
    bool valid = false;
    // The copy is made the second time in a row the sprite is drawn alike, so
    // a picture drawn in two places, or a window being dragged larger, costs
    // no copies.
    float lastDrawnFor[40] = {};
    bool drawnBefore = false;
    bool unavailable = false;  // no framebuffer could be made for it, or a copy failed
    long long timesUsed = 0;   // frames drawn from the copy
};

// Off: every sprite is filtered from its picture each frame (the browser,
// whose WebGL has no framebuffer copy, and VELMORA_WHOLE_QUADS).
extern bool keepOpaquePixels;

// Called in place of drawing an opaque, unblended sprite's whole quad, with its
// transforms applied. Draws it from the kept copy when that was made for the
// same transforms, view and colour; otherwise draws the quad and keeps a copy.
// False when the quad does not cover whole window pixels upright (turned,
// in perspective, an edge too near a pixel centre), or the driver cannot copy
// between framebuffers: then nothing was drawn.
bool drawKeptPixels(KeptPixels& kept, const float color[4], unsigned int quadList);

// Deletes the copy's framebuffer.
void deleteKeptPixels(KeptPixels& kept);

// Pixels are kept only where the driver offers framebuffer objects and blits
// (OpenGL 3.0, or ARB_framebuffer_object); it is asked once per context.
// For a fresh context, ask again.
void forgetKeptPixelsSupport();
