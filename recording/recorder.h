// Recording a game as it is played (--record): a replay script holding every
// clock reading and input event the game receives, in order, so velmora-replay
// can play the game again; and the game's own trace (--trace), one line a frame.
#pragma once
#include <string>

struct GameState;

// Opens the files asked for (an empty path asks for none). A file that cannot
// be written is reported in one line and the game plays on without it. What
// is still held is written out when the process ends.
void startRecording(const std::string& recordPath, const std::string& tracePath, const GameState& game);
// Writes out what is held and closes both files.
void stopRecording();

// GLUT callbacks: each writes its event down, then hands it to the shell's
// own callback. They cost nothing more when nothing is recorded.
void recordIdle();
void recordReshape(int width, int height);
// Writes down a canvas size the window gave the game without a reshape of its
// own (full screen), as the reshape a replay needs to reach it.
void recordCanvasSize(int width, int height);
void recordMouse(int button, int state, int x, int y);
void recordMotion(int x, int y);
void recordPassiveMotion(int x, int y);
void recordKeyboard(unsigned char key, int x, int y);
void recordKeyboardUp(unsigned char key, int x, int y);
void recordSpecial(int key, int x, int y);
void recordSpecialUp(int key, int x, int y);
