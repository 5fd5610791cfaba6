// Sprite drawing. The quad shows texture row 0 along its top edge, so pixel
// blocks that start with the picture's top row show upright.
#include "gfx/sprite.h"

#include <GL/gl.h>

unsigned int quadList = 0;
bool quadDisplayLists = true;
unsigned int lastTexture = 0;
bool lastBlend = false;

void resetSpriteState() {
    quadList = 0;
    lastTexture = 0;
    lastBlend = false;
}

void initSprite(Sprite& sprite) {
    sprite = Sprite{};
    if (quadList == 0) createQuadList();
}

namespace {
void sendQuad() {
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, 1);
    glVertex3f(-0.5f, -0.5f, 0);
    glTexCoord2f(1, 1);
    glVertex3f(0.5f, -0.5f, 0);
    glTexCoord2f(1, 0);
    glVertex3f(0.5f, 0.5f, 0);
    glTexCoord2f(0, 0);
    glVertex3f(-0.5f, 0.5f, 0);
    glEnd();
}
}  // namespace

void createQuadList() {
    if (!quadDisplayLists) return;
    quadList = glGenLists(1);
    glNewList(quadList, GL_COMPILE);
    sendQuad();
    glEndList();
}

void drawSprite(const Sprite& sprite) {
    unsigned int name = sprite.texture ? sprite.texture->glName : 0;
    if (name != lastTexture) {
        if (lastTexture == 0) glEnable(GL_TEXTURE_2D);
        if (name == 0)
            glDisable(GL_TEXTURE_2D);
        else
            glBindTexture(GL_TEXTURE_2D, name);
        lastTexture = name;
    }
    if (sprite.blend != lastBlend) {
        if (sprite.blend) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        } else {
            glDisable(GL_BLEND);
        }
        lastBlend = sprite.blend;
    }
    glPushMatrix();
    glColor4fv(sprite.color);
    glTranslatef(sprite.position.x, sprite.position.y, sprite.position.z);
    glRotatef(sprite.angle, 0, 0, 1);
    glTranslatef(sprite.offset.x, sprite.offset.y, sprite.offset.z);
    glScalef(sprite.scale.x, sprite.scale.y, sprite.scale.z);
    if (sprite.useTexMatrix) {
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
        glLoadIdentity();
        glTranslatef(sprite.texOffset[0], sprite.texOffset[1], 0);
        glScalef(sprite.texScale[0], sprite.texScale[1], 0);
    }
    if (quadDisplayLists)
        glCallList(quadList);
    else
        sendQuad();
    if (sprite.useTexMatrix) {
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    glPopMatrix();
}

void destroySprite(Sprite& sprite) { releaseTexture(sprite.texture); }
