// velmora --play FILE: a recording watched in the game's window. The game runs
// on the recording's clock and input alone; the watcher's mouse and keys never
// reach it (F11, Esc, P and M still work), and the window only scales the
// picture the recorded view made.
#pragma once

struct CommandLine;

// Reads the whole recording, then plays it in a window until the window is
// closed, and returns the exit status: 0; 1 when the trace asked for was lost
// on the way; 2 with one line naming the file, the line and the fault for a
// recording that is damaged or cannot be read, before any window opens.
int watchRecording(CommandLine& commandLine);
