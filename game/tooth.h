// Teeth: the eleven targets. Each is a cell of the shared atlas picture, owns
// its bacteria, loses health to them and falls out below 2 health.
#pragma once
#include <vector>

#include "game/tooth_layout.h"
#include "gfx/sprite.h"

struct Bacterium;

enum ToothPhase { Healthy = 0, Falling = 1, Gone = 2 };

constexpr int maxBacteriaPerTooth = 100;

struct Tooth {
    Sprite sprite;
    float health = 100;
    float minX = 0;
    float minY = 0;
    float maxX = 0;
    float maxY = 0;
    float phaseStart = 0;
    int phase = Healthy;
    std::vector<Bacterium*> bacteria;  // oldest first, owned
};

// A standing tooth with two new bacteria (eight random draws).
Tooth* createTooth(const ToothLayout& layout);
void destroyTooth(Tooth* tooth);
void updateTooth(Tooth& tooth);
void drawToothBacteria(const Tooth& tooth);
void addBacterium(Tooth& tooth);
void brushTooth(Tooth& tooth);
void drillTooth(Tooth& tooth);
