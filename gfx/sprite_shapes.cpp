// Shape lookup and drawing. A picture's shapes are few (one per atlas cell at
// most), so they are found by a plain scan; a sprite that keeps changing its
// texture matrix stops adding shapes at a limit and is drawn whole.
#include "gfx/sprite_shapes.h"

#include <GL/gl.h>

#include <cstddef>

#include "gfx/gl_state.h"

namespace {

constexpr std::size_t mostShapesPerPicture = 32;

bool sameMatrix(const SpriteShape& shape, bool useTexMatrix, const float texOffset[2], const float texScale[2]) {
    if (shape.useTexMatrix != useTexMatrix) return false;
    if (!useTexMatrix) return true;
    return shape.texOffset[0] == texOffset[0] && shape.texOffset[1] == texOffset[1] &&
           shape.texScale[0] == texScale[0] && shape.texScale[1] == texScale[1];
}

void vertex(const OutlinePoint& p) {
    glTexCoord2f(p.s, p.t);
    glVertex3f(p.x, p.y, 0);
}

// Each rectangle as two triangles in the order of the quad's own (first,
// second, third corner; first, third, fourth), which llvmpipe recognises as
// one rectangle when it lies upright on the screen.
void emitRects(const OutlineRects& rects) {
    if (rects.corners.empty()) return;
    glBegin(GL_TRIANGLES);
    glNormal3f(0, 0, 1);
    for (std::size_t i = 0; i + 3 < rects.corners.size(); i += 4) {
        for (std::size_t k : {0, 1, 2, 0, 2, 3}) vertex(rects.corners[i + k]);
    }
    glEnd();
}

}  // namespace

SpriteShape* findSpriteShape(std::vector<SpriteShape>& shapes, const PictureCoverage& coverage, bool useTexMatrix,
                             const float texOffset[2], const float texScale[2], double spriteArea) {
    if (!coverage.measured) return nullptr;
    for (SpriteShape& shape : shapes)
        if (sameMatrix(shape, useTexMatrix, texOffset, texScale)) return &shape;
    if (shapes.size() >= mostShapesPerPicture) return nullptr;
    SpriteShape shape;
    shape.useTexMatrix = useTexMatrix;
    if (useTexMatrix) {
        shape.texOffset[0] = texOffset[0], shape.texOffset[1] = texOffset[1];
        shape.texScale[0] = texScale[0], shape.texScale[1] = texScale[1];
    }
    shape.spriteArea = spriteArea;
    shape.outline = outlineQuad(coverage, shape.texOffset, shape.texScale, spriteArea, false);
    shapes.push_back(shape);
    return &shapes.back();
}

void drawSpriteShape(SpriteShape& shape, const PictureCoverage& coverage, bool upright) {
    if (!upright) addTurnedOutline(shape.outline, coverage, shape.texOffset, shape.texScale, shape.spriteArea);
    const OutlineRects& rects = upright ? shape.outline.upright : shape.outline.turned;
    if (!quadDisplayLists) {
        emitRects(rects);
        return;
    }
    unsigned int& list = upright ? shape.uprightList : shape.turnedList;
    if (list == 0) {
        list = glGenLists(1);
        if (list == 0) {
            emitRects(rects);
            return;
        }
        glNewList(list, GL_COMPILE);
        emitRects(rects);
        glEndList();
    }
    glCallList(list);
}

void drawWholeQuadVertices() {
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

void deleteSpriteShapes(std::vector<SpriteShape>& shapes) {
    for (SpriteShape& shape : shapes) {
        if (shape.uprightList != 0) glDeleteLists(shape.uprightList, 1);
        if (shape.turnedList != 0) glDeleteLists(shape.turnedList, 1);
    }
    shapes.clear();
}
