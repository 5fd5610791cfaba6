// Entry point in a web browser: the same game on emscripten's GLUT and its
// emulation of fixed-function OpenGL over WebGL. What differs from the desktop
// start-up is here, and only here: no display lists, the texture matrix
// selected once, a reshape that emscripten delivers at once, frames driven by
// the browser's animation frames, and a clock that stops while the page is hidden.
#include <GL/glut.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>

#include "session/frame_loop.h"
#include "core/state.h"
#include "game/game_state.h"
#include "gfx/sprite.h"
#include "web/web_clock.h"
#include "web/web_recording.h"
#include "web/web_sound.h"

namespace {

// emscripten's glutReshapeWindow calls the reshape callback before it returns,
// where freeglut defers it; so the 4:3 size reshapeView asks for comes straight
// back, and handled again would be asked for again, without end. A reshape to
// the size already being handled is the game's own request echoing: skipped.
bool handlingReshape = false;
int handlingWidth = 0;
int handlingHeight = 0;

void onBrowserReshape(int width, int height) {
    if (handlingReshape && width == handlingWidth && height == handlingHeight) return;
    const bool outer = handlingReshape;
    const int outerWidth = handlingWidth, outerHeight = handlingHeight;
    handlingReshape = true;
    handlingWidth = width;
    handlingHeight = height;
    browserReshape(width, height);  // recorded, then the shell's onReshape
    handlingReshape = outer;
    handlingWidth = outerWidth;
    handlingHeight = outerHeight;
}

// What the page's tests read: frames run, and the longest step the rules saw
// since they last asked.
unsigned framesRun = 0;
float longestStep = 0;

// A hidden page shows nothing, so the game neither updates nor draws, and its
// clock does not count the time: the first frame back in view steps the rules
// on by the step before the page was hidden, at most this many milliseconds,
// so that a frame already slowed by the hiding is not taken twice.
constexpr int longestStepBack = 33;
bool hidden = false;
bool comingBack = false;
int stepBeforeHiding = 0;

// One animation frame of the browser: one update, then one display, as the
// desktop's paced loop runs them. GLUT's own idle timer would update every
// 4 ms whatever the screen shows, and its redisplay is not asked for (no
// display callback is registered), so nothing else draws.
void runFrame() {
    if (comingBack) {
        comingBack = false;
        setGameClock(lastFrameMs + stepBeforeHiding);
    }
    const int before = lastFrameMs;
    // Recorded (or, watching, the recording's frames), and heard.
    idleWithSound();
    browserDisplay();
    ++framesRun;
    stepBeforeHiding = std::min(elapsedMs - before, longestStepBack);
    if (frameDelta > longestStep) longestStep = frameDelta;
}

void setHidden(bool nowHidden) {
    if (nowHidden == hidden) return;
    hidden = nowHidden;
    if (hidden) {
        emscripten_pause_main_loop();
    } else {
        comingBack = true;
        emscripten_resume_main_loop();
    }
}

EM_BOOL onVisibilityChange(int, const EmscriptenVisibilityChangeEvent* event, void*) {
    setHidden(event->hidden);
    return EM_FALSE;
}

// Where pointer input enters the game, from GLUT's mouse and the page's touches alike.
void (*const gameMouse)(int, int, int, int) = browserMouse;
void (*const gameMotion)(int, int) = browserMotion;

}  // namespace

// The page calls this with the backing pixels it has for the canvas; the
// game's reshape keeps 4:3 and sizes the canvas's store.
extern "C" EMSCRIPTEN_KEEPALIVE void resizeGame(int width, int height) { onBrowserReshape(width, height); }

// A finger on the canvas, in backing pixels, reaches the game as the left
// mouse button does: phase 0 down, 1 moved, 2 up.
extern "C" EMSCRIPTEN_KEEPALIVE void touchGame(int phase, int x, int y) {
    if (phase == 0) gameMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
    if (phase == 1) gameMotion(x, y);
    if (phase == 2) gameMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, y);
}

extern "C" EMSCRIPTEN_KEEPALIVE unsigned webFramesRun() { return framesRun; }
extern "C" EMSCRIPTEN_KEEPALIVE int webGameClockMs() { return elapsedMs; }
extern "C" EMSCRIPTEN_KEEPALIVE float webTakeLongestStep() {
    const float longest = longestStep;
    longestStep = 0;
    return longest;
}

int main(int argc, char** argv) {
    readBrowserArguments(argc, argv);  // recording, watching, trace
    glutInit(&argc, argv);
    // No depth buffer: the game never tests depth, and in the browser clearing
    // one is a second full-canvas fill every frame.
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    glutInitWindowSize(canvasWidth, canvasHeight);
    glutCreateWindow("Velmora");

    // The emulation compiles a shader per combination of state and caches it;
    // texture-matrix support goes into them only once GL_TEXTURE has been
    // selected. Selected before the first draw, every tooth gets its own cell
    // of the atlas rather than the whole picture.
    glMatrixMode(GL_TEXTURE);
    glMatrixMode(GL_MODELVIEW);
    // WebGL has no display lists: the quad goes vertex by vertex.
    quadDisplayLists = false;
    // Nor a framebuffer blit: every sprite is filtered from its picture.
    keepOpaquePixels = false;

    viewSettings.perspective = 0;
    currentView = &viewSettings;

    glutReshapeFunc(onBrowserReshape);
    glutMouseFunc(gameMouse);
    glutMotionFunc(gameMotion);
    glutPassiveMotionFunc(forwardPassiveMotion);
    glutKeyboardFunc(forwardKeyboard);
    glutKeyboardUpFunc(forwardKeyboardUp);
    glutSpecialFunc(forwardSpecial);
    glutSpecialUpFunc(forwardSpecialUp);
    // Recording: the recorder's callbacks sit between GLUT and the shell's.
    useRecordingCallbacks();

    // glutMainLoop returns to the browser by unwinding main's stack, so the
    // game cannot live in main's frame.
    static GameState game;
    switchState(game);
    startBrowserSound(game);  // sound

    setFixedGlState();
    if (!startBrowserRecording(game)) return 0;  // a recording that cannot be watched
    // Frames at the browser's pace, from the next animation frame on.
    emscripten_set_main_loop(runFrame, 0, EM_FALSE);
    // A page opened behind another tab starts with its clock held.
    EmscriptenVisibilityChangeEvent visibility{};
    if (emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS) setHidden(visibility.hidden);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, onVisibilityChange);
    glutMainLoop();
    return 0;
}
