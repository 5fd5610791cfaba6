// Shared set-up for unit tests: every global of the game back to its start
// value, the recording OpenGL emptied, diagnostics captured.
#pragma once
#include <string>

// Resets the shell, sprite, random and recording-GL globals; the texture cache
// must already be empty (tests release what they load).
void resetGameGlobals();

// Runs body with diagnostics written to a temporary file and returns them.
template <typename Body>
std::string captureDiagnostics(Body body);

#include <cstdio>

#include "gfx/diagnostic.h"

template <typename Body>
std::string captureDiagnostics(Body body) {
    std::FILE* file = std::tmpfile();
    std::FILE* saved = diagnosticStream;
    diagnosticStream = file;
    body();
    diagnosticStream = saved;
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}
