// The frame loop and the view: frame clock, display, idle and reshape
// callbacks, and the fixed OpenGL state. GLUT is called only from app/.
#pragma once

struct ViewSettings {
    float offsetX = 0;
    float offsetY = 0;
    float offsetZ = 0;
    int width = 800;
    int height = 600;
    double aspect = 0.0;
    double fieldOfView = 55.0;
    int perspective = 1;
};

extern ViewSettings viewSettings;
extern ViewSettings* currentView;

// The frame clock: milliseconds since GLUT started, read once per idle call.
extern int elapsedMs;
extern int lastFrameMs;
extern float frameDelta;

constexpr int canvasWidth = 800;
constexpr int canvasHeight = 600;

void onDisplay();
void onIdle();
void onReshape(int width, int height);
void reshapeView(int width, int height);

// Clear colour, shading, culling and depth settings set once at start-up.
void setFixedGlState();

// Puts the shell's globals back to their start values (tests and replay).
void resetShell();
