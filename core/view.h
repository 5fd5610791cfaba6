// The window's view: its size in pixels and how the fixed 800 x 600 canvas is
// projected onto it. The shell writes it on every reshape; the game's mouse
// mapping reads the width.
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

constexpr int canvasWidth = 800;
constexpr int canvasHeight = 600;
