// The sign over a paused game: the mouth dimmed and "Paused" in its middle,
// drawn after the game and above it, on the canvas's own units. Its picture
// is loaded the first time the game is paused.
#pragma once

void drawPauseSign();
// Gives the picture back; the window closing, or a test's end.
void releasePauseSign();
