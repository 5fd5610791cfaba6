// Running velmora-replay from a test: the script goes to a temporary file, the
// program runs in a chosen folder, and its trace lines come back parsed by a
// small JSON reader that keeps the order of each object's keys.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct Json {
    enum Type { Null, Boolean, Number, Text, Array, Object } type = Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> fields;  // in the order written

    // A missing key or index is a test failure and gives a Null value.
    const Json& operator[](const char* key) const;
    const Json& operator[](std::size_t index) const;
    const Json& operator[](int index) const { return (*this)[static_cast<std::size_t>(index)]; }
    bool has(const char* key) const;
    std::vector<std::string> keys() const;
    float asFloat() const { return static_cast<float>(number); }
    int asInt() const { return static_cast<int>(number); }
    std::size_t size() const { return items.size(); }
};

// Null with a test failure when the text is not one JSON value.
Json parseJson(const std::string& text);

struct ReplayRun {
    int status = -1;
    std::vector<std::string> lines;  // standard output, one entry a line
    std::string errors;              // standard error
    std::vector<Json> frames() const;
};

// Runs velmora-replay [options] on the script inside folder (a fresh empty
// folder when none is given), the script written to script.txt there.
ReplayRun runReplay(const std::string& script, const std::string& options = "", const std::string& folder = "");
// Runs velmora-replay with the given shell arguments inside folder.
ReplayRun runReplayWith(const std::string& arguments, const std::string& folder);

// A new empty folder under the system's temporary folder.
std::string makeTemporaryFolder();

struct Colour {
    int r, g, b;
};

// A replay shot read back as 8-bit RGB, top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    Colour at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// An empty picture, and a test failure, when the file cannot be read.
Picture readPng(const std::string& path);

// The game's random sequence, worked from its definition: state = state *
// 214013 + 2531011 (mod 2^32), each draw bits 16 to 30 of the new state.
struct RandomSequence {
    std::uint32_t state = 1;
    int next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
    float nextUnit() { return static_cast<float>(next() / 32767.0); }
    void skip(int draws) {
        for (int i = 0; i < draws; ++i) next();
    }
};

// One row of the game's tooth table: size and top-left corner in the 800 x 600 picture.
struct ToothRow {
    int width, height, pictureX, pictureY;
    float centreX() const { return static_cast<float>(width / 2 + pictureX - 400); }
    float centreY() const { return static_cast<float>(300 - pictureY - height / 2); }
};
extern const ToothRow toothRows[11];
