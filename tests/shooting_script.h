// A replay script with a shot after chosen frames: runs of frames are split
// into single frames, counted from 1, so any frame of a recording can be shot.
#pragma once
#include <set>
#include <sstream>
#include <string>

inline std::string shotName(int frame) { return "f" + std::to_string(frame) + ".png"; }

// total is set to the frames the script plays.
inline std::string shootingScript(const std::string& script, const std::set<int>& shotFrames, int& total) {
    std::istringstream lines(script);
    std::string out;
    total = 0;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        int count = 1, step = 0;
        if (word == "frames") {
            words >> count >> step;
        } else if (word != "frame") {
            out += line + "\n";
            continue;
        }
        for (int i = 0; i < count; ++i) {
            out += word == "frames" ? "frames 1 " + std::to_string(step) + "\n" : line + "\n";
            if (shotFrames.count(++total)) out += "shot " + shotName(total) + "\n";
        }
    }
    return out;
}
