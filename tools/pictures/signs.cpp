// The signs the game lays over the mouth besides the pause sign: how to play,
// the end of a recording, the "Watching" label and the digits its counter is
// set from. Light DejaVu Sans on the pause sign's dark plate, one pixel a
// canvas unit; every side a power of two for WebGL.
#include <algorithm>
#include <string>
#include <vector>

#include "tools/pictures/colour.h"
#include "tools/pictures/lettering.h"
#include "tools/pictures/pictures.h"
#include "tools/pictures/plate.h"

namespace {

const Color paper = rgb(1.0, 0.97, 0.92);   // the letters
const Color accent = rgb(1.0, 0.80, 0.47);  // keys and the call to play

// A piece of a line in one weight and colour.
struct Run {
    std::string text;
    Weight weight = Weight::Regular;
    bool accented = false;
};

using Line = std::vector<Run>;

double lineWidth(const Line& line, double em) {
    double width = 0;
    for (const Run& run : line) width += textWidth(run.text, run.weight, em);
    return width;
}

// Height of a capital: a line is centred on it, so descenders hang below.
double capHeight(double em) {
    Picture probe = makePicture(static_cast<int>(4 * em), static_cast<int>(4 * em));
    Ink ink = makeInk(probe);
    setText(ink, "H", Weight::Regular, em, em, 2 * em);
    InkBox box = inkBox(ink);
    return box.bottom - box.top + 1;
}

// Sets a line centred across the picture on the given baseline, plain runs
// into `light` and accented ones into `bright`.
void setLine(Ink& light, Ink& bright, const Line& line, double em, double baseline) {
    double x = 0.5 * (light.width - lineWidth(line, em));
    for (const Run& run : line) {
        setText(run.accented ? bright : light, run.text, run.weight, em, x, baseline);
        x += textWidth(run.text, run.weight, em);
    }
}

// The largest size up to `em` at which every line fits in `room` pixels.
double fittingSize(const std::vector<Line>& lines, double em, double room) {
    double widest = 0;
    for (const Line& line : lines) widest = std::max(widest, lineWidth(line, em));
    return widest > room ? em * room / widest : em;
}

// A sign of one line of text on a plate as high as `plateHalf` says and as
// wide as the text needs, up to its width.
Picture oneLineSign(int width, int height, const Line& line, double em, Vec2 plateHalf, double corner) {
    Picture picture = makePicture(width, height);
    Frame frame = wholePicture(picture, 1, 1);
    double snug = 0.5 * lineWidth(line, em) + em;
    paintPlate(picture, frame, {std::min(plateHalf.x, snug), plateHalf.y}, corner);
    Ink light = makeInk(picture);
    Ink bright = makeInk(picture);
    setLine(light, bright, line, em, 0.5 * height + 0.5 * capHeight(em));
    paintInk(picture, light, paper);
    paintInk(picture, bright, accent);
    return picture;
}

}  // namespace

Picture drawHelpSign() {
    const int width = 512;
    const int height = 256;
    Picture picture = makePicture(width, height);
    Frame frame = wholePicture(picture, 1, 1);
    paintPlate(picture, frame, {248, 122}, 24);

    Ink light = makeInk(picture);
    Ink bright = makeInk(picture);
    setLine(light, bright, {{"How to play", Weight::Bold}}, 28, 54);

    const std::vector<Line> rules = {
        {{"Drag a sweet onto a tooth."}},
        {{"Bacteria breed on a fed tooth and wear it down;"}},
        {{"the brush and the drill come by on their own to clean."}},
    };
    // Each key in bold, then what it does, the pairs spaced well apart.
    const std::string gap = "      ";
    const Line keys = {{"P", Weight::Bold, true}, {" pause" + gap}, {"N", Weight::Bold, true},   {" new game" + gap},
                       {"M", Weight::Bold, true}, {" sound" + gap}, {"F11", Weight::Bold, true}, {" full screen" + gap},
                       {"H", Weight::Bold, true}, {" help"}};
    std::vector<Line> body = rules;
    body.push_back(keys);
    const double room = 448;  // inside the plate's rounded corners
    double em = fittingSize(body, 17, room);
    double baseline = 92;
    for (const Line& line : rules) {
        setLine(light, bright, line, em, baseline);
        baseline += 1.35 * em;
    }
    setLine(light, bright, keys, em, 172);
    setLine(light, bright, {{"Click or press any key to play", Weight::Bold, true}}, 18, 220);
    paintInk(picture, light, paper);
    paintInk(picture, bright, accent);
    return picture;
}

Picture drawEndedSign() { return oneLineSign(512, 64, {{"The recording has ended"}}, 26, {240, 26}, 20); }

Picture drawWatchingLabel() { return oneLineSign(128, 32, {{"Watching", Weight::Bold}}, 15, {60, 11}, 11); }

// Sixteen cells of 16 x 32 pixels, "0123456789x:" and four empty ones, each
// glyph in the middle of its cell with a clear pixel all round, so that
// filtering never pulls in a neighbour. No plate: the game draws its own.
Picture drawDigits() {
    const int cell = 16;
    const int height = 32;
    const std::string glyphs = "0123456789x:";
    Picture picture = makePicture(16 * cell, height);
    Ink ink = makeInk(picture);
    for (std::size_t i = 0; i < glyphs.size(); ++i)
        setCharacterCentred(ink, glyphs[i], Weight::Bold, 21, (i + 0.5) * cell, 0.5 * height);
    paintInk(picture, ink, paper, false);
    return picture;
}
