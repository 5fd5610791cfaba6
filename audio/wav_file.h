// Reading a sound file the game plays: RIFF WAVE, PCM, 16-bit, mono, as
// tools/sounds/ writes them. Anything else is refused with a reason; a file
// is never trusted for its sizes, and none larger than a few seconds is read.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct WavSound {
    int rate = 0;
    std::vector<std::int16_t> samples;
};

constexpr std::size_t mostWavBytes = 1 << 20;  // the longest sound is two seconds, 192 kB

// Empty on success, otherwise why the bytes are not a sound the game plays.
std::string parseWav(const unsigned char* bytes, std::size_t size, WavSound& sound);
// The same for a file; "not found" when it cannot be opened, "not a regular
// file" for a FIFO, a device or a folder, which are never read.
std::string readWavFile(const std::string& path, WavSound& sound);
