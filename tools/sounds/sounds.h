// Velmora's sounds, each made by its own file here with the toolkit in
// synth.h. Soft and short, wet or squeaky or bright, the mouth's own moods.
// Sounds heard many times a minute come in takes (put_down_1.wav ...), one
// maker writing them all.
#pragma once

#include "tools/sounds/synth.h"

constexpr int popVariants = 3;
constexpr int putDownVariants = 3;
constexpr int brushStrikeVariants = 3;
constexpr int drillStrikeVariants = 3;
constexpr int crackVariants = 3;
constexpr int bubblesVariants = 4;
constexpr int drillWhirrVariants = 4;

Sound makePickUp();                  // sounds/pick_up.wav: a squeak as food leaves its place
Sound makePutDown(int variant);      // sounds/put_down_N.wav: a wet plop as it is let go
Sound makePop(int variant);          // sounds/pop_N.wav: a bacterium is born
Sound makeBubbles(int variant);      // sounds/bubbles[_N].wav: the bed under a swarm, takes joined
Sound makeBrushIn();                 // sounds/brush_in.wav: the brush sweeps in
Sound makeBrushScrub();              // sounds/brush_scrub.wav: scrubbing, looped
Sound makeBrushStrike(int variant);  // sounds/brush_strike_N.wav: the bright strike
Sound makeBrushOut();                // sounds/brush_out.wav: the brush sweeps out
Sound makeDrillWhirr(int variant);   // sounds/drill_whirr[_N].wav: the drill at work, takes joined
Sound makeDrillStrike(int variant);  // sounds/drill_strike_N.wav: a tooth mended
Sound makeDrillOut();                // sounds/drill_out.wav: the drill winds down as it leaves
Sound makeCrack(int variant);        // sounds/crack_N.wav: a tooth starts to fall
Sound makeThud();                    // sounds/thud.wav: it lands, out of sight

// The two swishes are one gesture, in and out: a band of noise that sweeps
// up (coming in) or down (leaving).
Sound swish(double seconds, double fromHz, double toHz, double peakAt, std::uint32_t seed);
