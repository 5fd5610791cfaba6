// The game's command line: its own options, read with CLI11, and the X
// options that GLUT understands (-display, -geometry, ...), passed on to it.
#pragma once
#include <string>
#include <vector>

constexpr int frameRateOfDisplay = -1;  // --fps not given: the display's rate

struct CommandLine {
    bool fullscreen = false;
    bool mute = false;                         // start silent; M turns sound on
    int framesPerSecond = frameRateOfDisplay;  // 0: as fast as the machine draws
    std::string recordPath;                    // empty: not recording
    std::string tracePath;                     // empty: no trace
    std::string playPath;                      // a recording to watch; empty: play
    double playSpeed = 1;                      // how many times as fast as recorded
    std::vector<char*> glutArguments;          // argv[0] and GLUT's own options
    int windowWidth = 800;                     // from -geometry WxH, held at 4:3
    int windowHeight = 600;
};

// The exit status to end with at once (0 after --help or --version, 2 after a
// bad option, with the message and the usage printed), or -1 to play.
int readCommandLine(int argc, char** argv, CommandLine& commandLine);
