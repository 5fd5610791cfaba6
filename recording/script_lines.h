// Writing a script's lines: what a recording holds of each clock reading and
// each input event the game received, in the words the script reader takes,
// so that any command written here reads back as the same command.
#pragma once
#include <string>

#include "recording/replay_script.h"

// Appends c's line, newline included. A `frames` run of one is written as
// `frame MS`; a key that is not a printable character goes by its number.
// Shots are never recorded: nothing is appended for one.
void appendScriptLine(std::string& out, const ReplayCommand& c);

// The first line of a recording, a comment: the game's version, then what
// made it and where (", window 800 x 600").
void appendRecordingHeader(std::string& out, const std::string& madeWhere);
