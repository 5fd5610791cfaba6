// Trace lines: the whole game after one frame as one JSON object on one line.
// Floats carry nine significant digits, so every single-precision value
// survives the round trip through text.
#pragma once
#include <string>

struct GameState;

// Appends frame number `frame`'s line, newline included. The bacteria of each
// tooth are listed only when withBacteria is set.
void appendTraceLine(std::string& out, long long frame, const GameState& game, bool withBacteria);
