// Velmora's sounds, each made by its own file here with the toolkit in
// synth.h. Soft and short, wet or squeaky or bright, the mouth's own moods.
#pragma once

#include "tools/sounds/synth.h"

Sound makePickUp();       // sounds/pick_up.wav: a squeak as food leaves its place
Sound makePutDown();      // sounds/put_down.wav: a wet plop as it is let go
Sound makePop();          // sounds/pop.wav: a bacterium is born
Sound makeBubbles();      // sounds/bubbles.wav: the bed under a swarm, looped
Sound makeBrushIn();      // sounds/brush_in.wav: the brush sweeps in
Sound makeBrushScrub();   // sounds/brush_scrub.wav: scrubbing, looped
Sound makeBrushStrike();  // sounds/brush_strike.wav: the bright strike
Sound makeBrushOut();     // sounds/brush_out.wav: the brush sweeps out
Sound makeDrillWhirr();   // sounds/drill_whirr.wav: creeping in and drilling, looped
Sound makeDrillStrike();  // sounds/drill_strike.wav: a tooth mended
Sound makeDrillOut();     // sounds/drill_out.wav: the drill winds down as it leaves
Sound makeCrack();        // sounds/crack.wav: a tooth starts to fall
Sound makeThud();         // sounds/thud.wav: it lands, out of sight

// The two swishes are one gesture, in and out: a band of noise that sweeps
// up (coming in) or down (leaving).
Sound swish(double seconds, double fromHz, double toHz, double peakAt, std::uint32_t seed);
