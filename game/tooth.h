// Teeth: the eleven targets. Each is a cell of the shared atlas picture, owns
// its bacteria, loses health to them and falls out below 2 health.
#pragma once
#include "game/tooth_layout.h"
#include "game/tooth_record.h"

// A standing tooth with two new bacteria (eight random draws).
Tooth* createTooth(const ToothLayout& layout);
void destroyTooth(Tooth* tooth);
void updateTooth(Tooth& tooth);
void drawToothBacteria(const Tooth& tooth);
void addBacterium(Tooth& tooth);
void brushTooth(Tooth& tooth);
void drillTooth(Tooth& tooth);
