// What the player can see of the game, taken before and after an update, and
// the sounds the difference calls for. Reading only: the game's rules, its
// random sequence and its traces never notice that anyone is listening.
#pragma once

#include "game/tooth_layout.h"

struct GameState;
struct Tooth;

struct SoundView {
    int heldFood = -1;
    int brushPhase = 0;
    float brushScrubLeft = 0;  // seconds of scrubbing still to come
    int drillPhase = 0;
    int standingCount = 0;
    const Tooth* standing[toothCount] = {};  // compared by identity, never read through
    int bacteria[toothCount] = {};
    int fallingCount = 0;
    const Tooth* falling[toothCount] = {};
    int bacteriaOnScreen = 0;  // standing and falling teeth alike
};

struct SoundCues {
    bool pickUp = false;
    bool putDown = false;
    int births = 0;
    bool brushIn = false;
    bool brushStrike = false;  // the brush's strike is its turn from scrubbing to leaving
    bool brushOut = false;
    bool drillStrike = false;  // likewise the drill's, from entering to leaving
    bool drillOut = false;
    int cracks = 0;  // teeth that began to fall
    int thuds = 0;   // falling teeth that reached the bottom and went
    // States rather than moments: the loops follow these.
    bool brushScrubbing = false;
    float brushScrubLeft = 0;    // the scrubbing dies away in its last moments, so the strike rings out
    bool brushVisiting = false;  // from its swish in to its swish out: the rest of the mix makes way
    bool drillWhirring = false;
    int bacteriaOnScreen = 0;
};

// Fills view from game without allocating.
void takeSoundView(const GameState& game, SoundView& view);
SoundCues compareSoundViews(const SoundView& before, const SoundView& after);
