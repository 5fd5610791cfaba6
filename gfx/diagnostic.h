// The one way the game says something went wrong: a single line, ended by a
// newline and flushed at once. The game writes to standard output; the replay
// points the stream at standard error so that its output stays pure trace.
#pragma once
#include <cstdio>
#include <string>

extern std::FILE* diagnosticStream;

void reportLine(const std::string& text);
