// The brush and the drill: nobody steers them. Each runs its own timed phases,
// sliding in, working, and sliding out, and raises struck when its work is done.
#pragma once
#include "gfx/sprite.h"

enum BrushPhase { BrushWaiting = 0, BrushEntering = 1, Brushing = 2, BrushLeaving = 3 };
enum DrillPhase { DrillWaiting = 0, DrillEntering = 1, DrillLeaving = 2 };

struct Tool {
    Sprite sprite;
    float phaseStart = 0;
    float phaseEnd = 0;
    bool struck = false;
    int phase = 0;
};

void buildBrush(Tool& brush);
void buildDrill(Tool& drill);
void updateBrush(Tool& brush);
void updateDrill(Tool& drill);
void destroyTool(Tool& tool);
