// The few GLUT functions the shell calls, played by the replay instead of a
// window system: the clock is the script's, a swap finishes the offscreen
// frame, and a window resize is only written down for the replay to apply.
#include <GL/glut.h>

#include "replay/offscreen_context.h"
#include "recording/replay_script.h"

ReplayWindow replayWindow;

int glutGet(GLenum query) {
    switch (query) {
        case GLUT_ELAPSED_TIME:
            return replayWindow.clockMs;
        case GLUT_WINDOW_WIDTH:
            return replayWindow.width;
        case GLUT_WINDOW_HEIGHT:
            return replayWindow.height;
        default:
            return 0;
    }
}

// Every frame command displays once, so a posted redisplay needs no record.
void glutPostRedisplay() {}

void glutSwapBuffers() { finishOffscreenFrame(replayWindow.target); }

void glutReshapeWindow(int width, int height) {
    replayWindow.width = width;
    replayWindow.height = height;
}
