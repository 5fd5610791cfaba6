// Shape lookup and drawing. A picture's shapes are few (one per atlas cell at
// most), so they are found by a plain scan; a sprite that keeps changing its
// texture matrix stops adding shapes at a limit and is drawn whole.
#include "gfx/sprite_shapes.h"

#include <GL/gl.h>

#include <cstddef>

#include "gfx/sprite.h"

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

// Each convex piece as a fan of triangles from its first corner.
void emitOutline(const QuadOutline& outline) {
    if (outline.points.empty()) return;
    glBegin(GL_TRIANGLES);
    glNormal3f(0, 0, 1);
    std::size_t first = 0;
    for (int size : outline.pieceSizes) {
        const std::size_t n = static_cast<std::size_t>(size);
        for (std::size_t i = 1; i + 1 < n; ++i) {
            vertex(outline.points[first]);
            vertex(outline.points[first + i]);
            vertex(outline.points[first + i + 1]);
        }
        first += n;
    }
    glEnd();
}

}  // namespace

SpriteShape* findSpriteShape(std::vector<SpriteShape>& shapes, const PictureCoverage& coverage, bool useTexMatrix,
                             const float texOffset[2], const float texScale[2]) {
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
    shape.outline = outlineQuad(coverage, shape.texOffset, shape.texScale);
    shapes.push_back(shape);
    return &shapes.back();
}

void drawSpriteShape(SpriteShape& shape) {
    if (!quadDisplayLists) {
        emitOutline(shape.outline);
        return;
    }
    if (shape.list == 0) {
        shape.list = glGenLists(1);
        if (shape.list == 0) {
            emitOutline(shape.outline);
            return;
        }
        glNewList(shape.list, GL_COMPILE);
        emitOutline(shape.outline);
        glEndList();
    }
    glCallList(shape.list);
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
    for (SpriteShape& shape : shapes)
        if (shape.list != 0) glDeleteLists(shape.list, 1);
    shapes.clear();
}
