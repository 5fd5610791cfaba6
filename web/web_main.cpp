// Entry point in a web browser: the same game on emscripten's GLUT and its
// emulation of fixed-function OpenGL over WebGL. What differs from the desktop
// start-up is here, and only here: no display lists, the texture matrix
// selected once, and a reshape that emscripten delivers at once.
#include <GL/glut.h>
#include <emscripten/emscripten.h>

#include "app/shell.h"
#include "core/state.h"
#include "game/game_state.h"
#include "gfx/sprite.h"
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

}  // namespace

// The page calls this with the space it has for the canvas; the game's reshape
// keeps 4:3 and sizes the canvas.
extern "C" EMSCRIPTEN_KEEPALIVE void resizeGame(int width, int height) { onBrowserReshape(width, height); }

int main(int argc, char** argv) {
    readBrowserArguments(argc, argv);  // recording, watching, trace
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
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
    glutDisplayFunc(onDisplay);
    glutIdleFunc(onIdle);
    glutMouseFunc(forwardMouse);
    glutMotionFunc(forwardMotion);
    glutPassiveMotionFunc(forwardPassiveMotion);
    glutKeyboardFunc(forwardKeyboard);
    glutKeyboardUpFunc(forwardKeyboardUp);
    glutSpecialFunc(forwardSpecial);
    glutSpecialUpFunc(forwardSpecialUp);
    // Recording: the recorder's callbacks sit between GLUT and the shell's.
    useRecordingCallbacks();
    // Sound: each update, recorded or watched, heard.
    glutIdleFunc(idleWithSound);

    // glutMainLoop returns to the browser by unwinding main's stack, so the
    // game cannot live in main's frame.
    static GameState game;
    switchState(game);
    startBrowserSound(game);  // sound

    setFixedGlState();
    if (!startBrowserRecording(game)) return 0;  // a recording that cannot be watched
    glutMainLoop();
    return 0;
}
