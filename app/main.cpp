// Entry point: one 800 x 600 window, the game state made current, then GLUT's
// loop. Closing the window ends the process from inside GLUT.
#include <GL/glut.h>

#include "app/command_line.h"
#include "app/display_pacing.h"
#include "app/shell.h"
#include "core/state.h"
#include "game/game_state.h"

int main(int argc, char** argv) {
    CommandLine commandLine;
    const int earlyExit = readCommandLine(argc, argv, commandLine);
    if (earlyExit >= 0) return earlyExit;

    int glutArgc = static_cast<int>(commandLine.glutArguments.size());
    commandLine.glutArguments.push_back(nullptr);
    glutInit(&glutArgc, commandLine.glutArguments.data());
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(canvasWidth, canvasHeight);
    glutCreateWindow("Velmora");
    if (commandLine.fullscreen) glutFullScreen();
    startFramePacing(commandLine.framesPerSecond);

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
