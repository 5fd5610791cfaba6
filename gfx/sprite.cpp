// Sprite drawing. The quad shows texture row 0 along its top edge, so pixel
// blocks that start with the picture's top row show upright.
#include "gfx/sprite.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx/kept_pixels.h"
#include "gfx/sprite_log.h"
#include "gfx/sprite_shapes.h"

namespace {
bool wholeQuadsAsked() {
    const char* value = std::getenv("VELMORA_WHOLE_QUADS");
    return value && *value && std::strcmp(value, "0") != 0;
}

// The trimmed shape for a sprite, or null to draw its whole quad.
SpriteShape* shapeFor(const Sprite& sprite) {
    if (wholeQuads || !sprite.texture || sprite.texture->glName == 0) return nullptr;
    TextureHandle& handle = *sprite.texture;
    const double area = std::fabs(static_cast<double>(sprite.scale.x) * sprite.scale.y);
    return findSpriteShape(handle.shapes, handle.coverage, sprite.useTexMatrix, sprite.texOffset, sprite.texScale,
                           area);
}
}  // namespace

bool wholeQuads = wholeQuadsAsked();

namespace {
// A software renderer (llvmpipe) starts drawing only when told to flush, so a
// frame of thousands of sprites left to the buffer swap keeps one processor
// sending every sprite while the renderer's threads wait for them. Flushing
// every so many sprites lets them draw the first part of the frame meanwhile;
// the pixels are the same, drawn in the same order. More often than this costs
// more in starting and stopping them than it gains (200 and 120 gave the same
// heaviest frame, 50 was slower than none).
constexpr int spritesPerFlush = 200;
int spritesSinceFlush = 0;
}  // namespace

namespace {
// The sprite's own transform on the current modelview matrix.
void applySpriteTransform(const Sprite& sprite) {
    glTranslatef(sprite.position.x, sprite.position.y, sprite.position.z);
    glRotatef(sprite.angle, 0, 0, 1);
    glTranslatef(sprite.offset.x, sprite.offset.y, sprite.offset.z);
    glScalef(sprite.scale.x, sprite.scale.y, sprite.scale.z);
}
}  // namespace

void resetSpriteState() {
    quadList = 0;
    lastTexture = 0;
    lastBlend = false;
    lastReplace = false;
    boundTextureKnown = true;
    glObjectsReleased = false;
    spritesSinceFlush = 0;
    forgetKeptPixelsSupport();
}

void initSprite(Sprite& sprite) {
    sprite = Sprite{};
    if (quadList == 0) createQuadList();
}

void createQuadList() {
    if (!quadDisplayLists || glObjectsReleased) return;
    quadList = glGenLists(1);
    glNewList(quadList, GL_COMPILE);
    drawWholeQuadVertices();
    glEndList();
}

void drawSprite(const Sprite& sprite) {
    if (spriteLog && spriteLog->mode == SpriteLogMode::Measure) {
        glPushMatrix();
        applySpriteTransform(sprite);
        noteQuad(*spriteLog, {sprite.color, sprite.texOffset, sprite.texScale, sprite.useTexMatrix, sprite.blend,
                              sprite.texture, sprite.texture ? sprite.texture->glName : 0});
        glPopMatrix();
        return;
    }
    if (spriteLog && !partReachesNext(*spriteLog)) return;
    unsigned int name = sprite.texture ? sprite.texture->glName : 0;
    SpriteShape* shape = shapeFor(sprite);
    // Blending an opaque fragment gives the fragment itself.
    bool blend = sprite.blend;
    if (shape && shape->outline.opaque && sprite.color[3] >= 1.0f) blend = false;
    // Left unknown, the binding would let the mouth be drawn, and its pixels
    // kept for good, from whichever picture was loaded last.
    const bool rebind = name != 0 && !boundTextureKnown;
    if (name != lastTexture || rebind) {
        if (lastTexture == 0) glEnable(GL_TEXTURE_2D);
        if (name == 0)
            glDisable(GL_TEXTURE_2D);
        else
            glBindTexture(GL_TEXTURE_2D, name);
        lastTexture = name;
        if (name != 0) boundTextureKnown = true;
    }
    if (blend != lastBlend) {
        if (blend) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        } else {
            glDisable(GL_BLEND);
        }
        lastBlend = blend;
    }
    // Under a white, opaque tint the texel is the colour, so the texel alone
    // gives the same pixels without the multiply, and the software renderer
    // then has no colour to interpolate for each pixel.
    const float* tint = sprite.color;
    const bool replace = !wholeQuads && tint[0] == 1 && tint[1] == 1 && tint[2] == 1 && tint[3] == 1;
    if (name != 0 && (replace != lastReplace || rebind)) {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, replace ? GL_REPLACE : GL_MODULATE);
        lastReplace = replace;
    }
    glPushMatrix();
    glColor4fv(sprite.color);
    applySpriteTransform(sprite);
    if (sprite.useTexMatrix) {
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
        glLoadIdentity();
        glTranslatef(sprite.texOffset[0], sprite.texOffset[1], 0);
        glScalef(sprite.texScale[0], sprite.texScale[1], 0);
    }
    // Unblended, clear texels still paint: only a blended quad may be trimmed.
    if (shape && !blend && shape->outline.opaque && keepOpaquePixels && quadDisplayLists && !sprite.useTexMatrix &&
        drawKeptPixels(sprite.texture->kept, sprite.color, quadList)) {
        // drawn from the pixels it painted before
    } else if (shape && blend && !shape->outline.whole)
        drawSpriteShape(*shape, sprite.texture->coverage, sprite.angle == 0);
    else if (quadDisplayLists)
        glCallList(quadList);
    else
        drawWholeQuadVertices();
    if (sprite.useTexMatrix) {
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    glPopMatrix();
    if (!wholeQuads && ++spritesSinceFlush >= spritesPerFlush) {
        glFlush();
        spritesSinceFlush = 0;
    }
}

void destroySprite(Sprite& sprite) { releaseTexture(sprite.texture); }
