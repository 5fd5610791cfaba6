// Listening to the game without a sound card: OpenAL Soft's file output read
// back, its onsets found, and the trace's events that should sound.
#pragma once
#include <string>
#include <vector>

struct Recording {
    int rate = 0;
    std::vector<float> mono;  // the channels averaged
    float peak = 0;           // the largest sample in any channel
};

// The WAV OpenAL Soft writes: 32-bit float (plain or extensible) or 16-bit
// PCM, any channel count. Empty when the file is not one of those.
Recording readRecording(const std::string& path);

// Moments (seconds from the file's start) where the sound's energy leaps over
// what came just before it: a sound starting.
std::vector<double> findOnsets(const Recording& recording);

// The events in a game's trace that should be heard, in game seconds.
struct HeardEvents {
    double pickUp = -1;
    double drop = -1;
    std::vector<double> births;
    double brushStrike = -1;
};
HeardEvents eventsInTrace(const std::string& tracePath);

// The loudest level over the recording, in dBFS (-inf for silence).
double peakDbfs(const Recording& recording);
