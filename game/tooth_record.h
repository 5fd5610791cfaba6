// The tooth as a record: its sprite, health, the box its bacteria live in, its
// phase and its bacteria. Apart from the tooth's rules because the bacteria
// read it too (they are pulled to its centre, held in its box, pushed by its
// other bacteria), and the tooth's rules make and move the bacteria.
#pragma once
#include <vector>

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
