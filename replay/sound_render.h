// A recording's soundtrack made without a device: the game's sounds mixed on
// OpenAL Soft's loopback device, after each frame up to that frame's clock
// reading, into a WAV file of 32-bit float stereo samples. Nothing in it reads
// a clock, so the same recording gives the same file, byte for byte.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

struct GameState;

struct SoundRender {
    std::FILE* file = nullptr;
    std::string name;
    int rate = 0;
    long long frames = 0;  // sample frames written, from the clock's 0
    int clockMs = 0;       // the latest frame's reading
    bool full = false;     // the file holds no more
    std::vector<float> block;
    bool failed = false;
};

// Creates the file (replacing one only with overwrite, never through a
// link) and starts hearing game on the loopback device. False with the
// reason in fault.
bool startSoundRender(SoundRender& render, const std::string& file, bool overwrite, const GameState& game,
                      std::string& fault);
// Mixes what sounds up to clockMs on the recording's clock.
void renderSoundUntil(SoundRender& render, int clockMs);
// The game stands still at its last reading: the loops fall silent and what
// sounds rings out for a second; then the file's sizes are written and it is
// closed. False with the reason in fault when a write failed; true, with a
// note in fault, when the recording was longer than a WAV file holds.
bool finishSoundRender(SoundRender& render, std::string& fault);
