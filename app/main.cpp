// Entry point: one 800 x 600 window, the game state made current, then GLUT's
// loop. Closing the window ends the process from inside GLUT.
#include <GL/glut.h>

#include "app/shell.h"
#include "app/state.h"
#include "game/game_state.h"

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(canvasWidth, canvasHeight);
    glutCreateWindow("Velmora");

    viewSettings.perspective = 0;
    currentView = &viewSettings;

    glutReshapeFunc(onReshape);
    glutDisplayFunc(onDisplay);
    glutIdleFunc(onIdle);
    glutMouseFunc(forwardMouse);
    glutMotionFunc(forwardMotion);
    glutPassiveMotionFunc(forwardPassiveMotion);
    glutKeyboardFunc(forwardKeyboard);
    glutKeyboardUpFunc(forwardKeyboardUp);
    glutSpecialFunc(forwardSpecial);
    glutSpecialUpFunc(forwardSpecialUp);

    // Built after the window: its construction loads textures and needs the context.
    GameState game;
    switchState(game);

    setFixedGlState();
    glutMainLoop();
    currentState = nullptr;
    return 0;
}
