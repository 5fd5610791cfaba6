// A text file written a line at a time by a game that may be killed at any
// moment: whole lines are held in memory and written out several times a
// second, so the file always ends with a whole line and a kill loses less
// than a second. A write that comes up short (a full disk, a size limit) cuts
// the file back to its last whole line. The game never waits for the file: a
// pipe or FIFO whose reader is slow or absent is reported, not waited on. A
// file that cannot be written, or that another game is writing, is reported
// once and dropped.
#pragma once
#include <string>

struct LineFile {
    std::string path;
    std::string what;     // how the report names the file: "recording", "trace"
    std::string pending;  // whole lines not yet written out (the rest of one, for a slow pipe)
    int descriptor = -1;
    bool regular = false;          // a regular file, which a short write can cut back
    long long written = 0;         // where the last write ended in the file
    long long wholeLines = 0;      // where the last whole line written ends
    long long lastWriteOutMs = 0;  // on the steady clock
};

// False, after one line on the diagnostic stream, when the file cannot be
// created or another game is writing it (that file is left untouched).
bool openLineFile(LineFile& out, const std::string& path, const std::string& what);
bool isOpen(const LineFile& out);
// Call after appending whole lines to `pending`: writes them out when they have
// waited long enough or grown large.
void linesAdded(LineFile& out);
// Writes out everything pending now, or what a pipe takes without waiting; a
// failure reports one line and closes the file.
void writeOutLines(LineFile& out);
// Writes out what is pending (waiting a little for a slow pipe) and closes the
// file. True when every line reached it; false too for a file already dropped.
bool closeLineFile(LineFile& out);
