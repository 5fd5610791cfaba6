// The files a game on the desktop writes as it goes: its recording (--record)
// and its trace (--trace). What is held is written out when the process ends,
// also when GLUT ends it from inside its loop.
#pragma once
#include <string>

#include "recording/line_file.h"

struct Session;

struct GameFiles {
    LineFile recording;
    LineFile trace;
    ~GameFiles();
};
extern GameFiles gameFiles;

// Opens the files asked for (an empty path asks for none) and tells the
// session to give them lines. A file that cannot be written is reported in
// one line and the game plays on without it.
void openGameFiles(Session& session, const std::string& recordPath, const std::string& tracePath);
// Moves the lines the session's updates gave into the files.
void takeSessionLines(Session& session);
// Keeps the files within a second of the session while the game stands
// still (no update comes to take its lines), and ends the game's loop when a
// signal asked it to end: a GLUT timer, four times a second, from now on.
void keepFilesCurrent(Session& session);
// Writes out what is held and closes both files. False when a file that was
// asked for was lost on the way (a full disk, a reader gone).
bool closeGameFiles(const std::string& recordPath, const std::string& tracePath);
