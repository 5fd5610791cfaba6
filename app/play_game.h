// velmora: the game played in its window, until the window is closed.
#pragma once

struct CommandLine;

// Plays in a window as the command line asks and returns the exit status, 0.
int playGame(CommandLine& commandLine);
