// The signs the session draws over the game, on the canvas's own units and
// after the game's sprites, so none of them touches what the rules see: the
// pause sign, the help sign, and while a recording is watched a small label
// with its speed and time, and at its end a sign saying so. Each picture is
// loaded the first time its sign is drawn.
#pragma once

void drawPauseSign();
void drawHelpSign();
// speed 0 is a watch as fast as it goes: the label then shows no speed.
void drawWatchLabel(double speed, int recordingMs);
void drawEndSign();
// Gives the pictures back; the window closing, or a test's end.
void releaseSigns();
