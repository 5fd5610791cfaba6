// Frame loop and view. The canvas is 800 x 600 units with its origin at the
// window centre; the window is always held at 4:3 so one unit is square.
#include "session/frame_loop.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <string>

#include "core/state.h"
#include "gfx/diagnostic.h"

void resetShell() {
    viewSettings = ViewSettings{};
    currentView = nullptr;
    elapsedMs = 0;
    lastFrameMs = 0;
    frameDelta = 0;
}

void updateGameAt(int clockMs) {
    advanceFrameClock(clockMs);
    if (currentState) currentState->update();
}

void onDisplay() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderCurrentState();
}

void renderCurrentState() {
    // Whatever render leaves on the modelview stack is thrown away here, so the
    // reshape transform survives to the next frame.
    glPushMatrix();
    if (currentState) currentState->render();
    glPopMatrix();
}

bool onReshape(int width, int height) { return currentView && reshapeView(width, height); }

namespace {

// The widest canvas the game draws: full screen on an 8K display gives 5760.
// Anything wider is refused, in the window as in a replay, which would
// otherwise hold an offscreen picture of that size.
constexpr int maxCanvasWidth = 8192;

void reportBadSize(int width, int height) {
    reportLine("reshape() values bad w:" + std::to_string(width) + " h:" + std::to_string(height));
}

}  // namespace

bool reshapeView(int width, int height) {
    // The height follows from the width; a width too small for a 4:3 height of
    // at least one pixel is refused like any other bad size.
    const int h = width > 0 ? static_cast<int>(width * 0.75) : 0;
    if (width <= 0 || height <= 0 || h <= 0 || width > maxCanvasWidth) {
        reportBadSize(width, height);
        return false;
    }
    setCanvasView(width, h);
    return true;
}

void setCanvasView(int width, int h) {
    if (width > maxCanvasWidth) {
        reportBadSize(width, h);
        return;
    }
    currentView->width = width;
    currentView->height = h;
    currentView->aspect = static_cast<double>(width) / static_cast<double>(h);

    glViewport(0, 0, width, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (currentView->perspective)
        gluPerspective(currentView->fieldOfView, currentView->aspect, 0.1, 1000.0);
    else
        gluOrtho2D(0, width, 0, h);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(static_cast<float>(width / 2), static_cast<float>(h / 2), currentView->offsetZ);
    // A fraction of a pixel puts texel centres on pixel centres.
    if (!currentView->perspective) glTranslatef(0.375f, 0.375f, 0);
    glScalef(static_cast<float>(width / 800.0), static_cast<float>(h / 600.0), 1.0f);
}

void setFixedGlState() {
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glShadeModel(GL_SMOOTH);
    glPolygonMode(GL_FRONT, GL_FILL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glClearDepth(1.0);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_NORMALIZE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
