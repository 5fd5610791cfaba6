// A text file written a line at a time by a game that may be killed at any
// moment: whole lines are held in memory and written out several times a
// second, so the file always ends with a whole line and a kill loses less
// than a second. A file that cannot be written is reported once and dropped.
#pragma once
#include <chrono>
#include <cstdio>
#include <string>

struct LineFile {
    std::string path;
    std::string what;     // how the report names the file: "recording", "trace"
    std::string pending;  // whole lines not yet written out
    std::FILE* file = nullptr;
    std::chrono::steady_clock::time_point lastWriteOut;
};

// False, after one line on the diagnostic stream, when the file cannot be created.
bool openLineFile(LineFile& out, const std::string& path, const std::string& what);
bool isOpen(const LineFile& out);
// Call after appending whole lines to `pending`: writes them out when they have
// waited long enough or grown large.
void linesAdded(LineFile& out);
// Writes out everything pending now; a failure reports one line and closes the file.
void writeOutLines(LineFile& out);
// Writes out what is pending and closes the file.
void closeLineFile(LineFile& out);
