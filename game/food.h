// Food: what the player drags. Lying on a standing tooth it breeds a bacterium
// there every quarter second.
#pragma once
#include <vector>

#include "gfx/sprite.h"

struct Tooth;

struct Food {
    Sprite sprite;
    float nextFeed = 0;
};

void buildFood(Food& food);
void destroyFood(Food& food);
// Every tooth whose box holds the food's centre (truncated to whole units,
// edges included) gets one bacterium, at most once per feeding period.
void feedTeeth(std::vector<Tooth*>& teeth, Food& food);
