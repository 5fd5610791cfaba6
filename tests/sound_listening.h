// Listening to the game without a sound card: OpenAL Soft's file output read
// back, its onsets found, and the trace's events that should sound.
#pragma once
#include <string>
#include <vector>

struct Recording {
    int rate = 0;
    std::vector<std::vector<float>> channels;
    std::vector<float> mono;     // the channels averaged
    float peak = 0;              // the largest sample in any channel
    std::size_t dataStart = 0;   // where the samples begin in the file
    std::size_t frameBytes = 0;  // one sample of every channel
};

// The WAV OpenAL Soft writes: 32-bit float (plain or extensible) or 16-bit
// PCM, any channel count. Empty when the file is not one of those.
Recording readRecording(const std::string& path);

// A soundtrack mixed in memory (interleaved samples, as OpenAL Soft's
// loopback device renders them) as if read back from a file.
Recording recordingOf(const std::vector<float>& interleaved, int channels, int rate);
// Writes the recording as a 32-bit float WAV that readRecording and sox read;
// false when the file cannot be written.
bool writeRecording(const std::string& path, const Recording& recording);

// Moments (seconds from the file's start) where the sound's energy leaps over
// what came just before it: a sound starting.
std::vector<double> findOnsets(const Recording& recording);

// The events in a game's trace that should be heard, in game seconds.
struct HeardEvents {
    double pickUp = -1;
    double drop = -1;
    std::vector<double> births;  // before the brush comes
    double brushIn = -1;
    double brushStrike = -1;
};
HeardEvents eventsInTrace(const std::string& tracePath);

// One frame of a game's trace, as far as sound cares.
struct TraceFrame {
    double seconds = 0;  // the game's clock
    int heldFood = -1;
    int brushPhase = 0;
    int drillPhase = 0;
    int births = 0;    // bacteria born on standing teeth since the frame before
    int falling = 0;   // teeth falling
    int bacteria = 0;  // on standing teeth
};
std::vector<TraceFrame> framesInTrace(const std::string& tracePath);

// The loudest level over the recording, in dBFS (-inf for silence).
double peakDbfs(const Recording& recording);
