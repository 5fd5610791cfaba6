// Recordings in the browser. Every game played on the page is recorded in
// the page's memory, in the same lines as the desktop's --record, ready for
// the "Save recording" button; a recording the page was given (?play=) is
// watched instead, as velmora --play does; and with ?trace=1 the page keeps
// the game's trace, bacteria included, for tests to take.
#pragma once

struct GameState;

// The arguments the page passes to main: [--trace] [--play FILE [--speed X]
// [--no-draw]]. Anything it cannot use is said in one line and left out.
void readBrowserArguments(int argc, char** argv);

// Registers the GLUT input callbacks through which the recording sees what the
// game receives (or, while watching, keeps the visitor's input from it). Call
// after the shell's own callbacks are registered, so these take their place.
void useRecordingCallbacks();

// What the page's loop runs each animation frame, in place of GLUT's idle and
// display callbacks: a recorded idle (the shell's, then its frame
// line) or a watched one (the recording's due frames), and a display that a
// watch without drawing skips.
void browserIdle();
void browserDisplay();

// The left button and a held pointer as the visitor moves them (a finger on
// the page included): recorded and passed on, or, while watching, kept from
// the game.
void browserMouse(int button, int state, int x, int y);
void browserMotion(int x, int y);

// Starts recording, or watching the recording given: call with the game
// current, before glutMainLoop. False when the recording to watch cannot be
// played (said in one line and on the page): then the game is not started.
bool startBrowserRecording(const GameState& game);

// The reshape the page or GLUT hands the game, after the browser's own echo
// check: written down and passed to the shell, or while watching only the
// canvas's size on the page, since the game's view is the recording's.
void browserReshape(int width, int height);
