// The sound player over OpenAL: OpenAL Soft on the desktop, emscripten's own
// OpenAL in the browser. It plays what the game's cues call for and never
// waits on the device; without a device, or without a file, it stays silent
// and the game plays on.
#pragma once

#include "audio/sound_cues.h"

enum SoundName {
    PickUpSound,
    PutDownSound,
    PopSound,
    BubblesSound,
    BrushInSound,
    BrushScrubSound,
    BrushStrikeSound,
    BrushOutSound,
    DrillWhirrSound,
    DrillStrikeSound,
    DrillOutSound,
    CrackSound,
    ThudSound,
    soundNameCount
};

// Where each sound is read from, relative to the game's folder (beside img/):
// one file per variant, null after a sound's last. Sounds heard many times a
// minute have three variants, one picked at random each time it plays. The
// bed and the drill's whirr come as takes, joined into one long loop when the
// player opens.
constexpr int mostVariants = 4;
extern const char* const soundFiles[soundNameCount][mostVariants];

// Opens the default device and reads every sound. No device: one line, "Sound
// is off: no audio device", and false. A missing or damaged file: one line
// naming it, and that sound stays silent. Muted, the device is opened all the
// same, so that sound can be turned on at once.
bool openSoundPlayer(bool muted);
// The same player on OpenAL Soft's loopback device, for a soundtrack made
// without a device: nothing is mixed until renderSoundSamples asks, so the
// same calls give the same samples whatever the machine is doing. Mixes at
// 48,000 samples a second, or 44,100 where that is all it takes, stereo and
// 32-bit float; returns that rate, or 0 after one line. Not in the browser.
int openSoundRenderer(bool muted);
// Mixes the next frames (a left and a right sample each) into stereo; zeros
// when the player is not rendering.
void renderSoundSamples(float* stereo, int frames);
void closeSoundPlayer();
bool soundPlayerOpen();

// Sound off and on fade over the mixer's next stretch (a device's period;
// offline, the samples up to the next frame), never in one sample.
void setSoundOn(bool on);
bool soundIsOn();
void toggleSound();

// Starts the sounds of one update's cues and sets the loops to the game's
// state, at the caller's clock reading in seconds: every moment the player
// keeps (a pop put off, the brush's ducking, a loop stopped after it was
// turned down) is counted on it, and it never reads a clock of its own.
// Neither allocates nor waits. Called once per update, also when many
// updates run at once: a birth's pop is put off by a random moment of up to a
// quarter second, drawn from the player's own sequence, and started by a
// later call, so pops never tick in step with the game's feeding.
void playSoundCues(const SoundCues& cues, double seconds);

// The game stands still (a hidden window, a pause, a watched recording that
// has ended) at the given reading: every loop is turned down at once, and
// OpenAL ramps it to silence in its next mix without any further call, since
// no update may come for a long time. The next cues bring back what the game
// then calls for, and stop the loops it no longer does.
void quietSoundLoops(double seconds);

// How many sounds have been started since the player opened (loops count
// when they start), for tests that cannot hear.
long soundsStarted();

// The peaks still to come of everything playing, as the mix counts them for
// its headroom, as a share of what it allows itself: at most 1, for tests.
float soundHeadroomUsed();
