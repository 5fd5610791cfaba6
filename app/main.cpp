// Entry point: one 800 x 600 window, the game state made current, then GLUT's
// loop. Closing the window ends the process from inside GLUT.
#include <GL/glut.h>

#include "app/command_line.h"
#include "app/recorder.h"
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

    viewSettings.perspective = 0;
    currentView = &viewSettings;

    // The recorder writes each event down (with --record) and passes it on.
    glutReshapeFunc(recordReshape);
    glutDisplayFunc(onDisplay);
    glutIdleFunc(recordIdle);
    glutMouseFunc(recordMouse);
    glutMotionFunc(recordMotion);
    glutPassiveMotionFunc(recordPassiveMotion);
    glutKeyboardFunc(recordKeyboard);
    glutKeyboardUpFunc(recordKeyboardUp);
    glutSpecialFunc(recordSpecial);
    glutSpecialUpFunc(recordSpecialUp);

    // Built after the window: its construction loads textures and needs the context.
    GameState game;
    switchState(game);
    startRecording(commandLine.recordPath, commandLine.tracePath, game);

    setFixedGlState();
    glutMainLoop();
    currentState = nullptr;
    return 0;
}
