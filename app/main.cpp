// Entry point: one 800 x 600 window, the game state made current, then GLUT's
// loop. Closing the window returns from the loop: the state is left and
// destroyed and the game ends with status 0.
#include <GL/glut.h>

#include "app/command_line.h"
#include "app/desktop_window.h"
#include "app/picture_folder.h"
#include "app/shell.h"
#include "core/state.h"
#include "game/game_state.h"

int main(int argc, char** argv) {
    CommandLine commandLine;
    const int earlyExit = readCommandLine(argc, argv, commandLine);
    if (earlyExit >= 0) return earlyExit;

    enterPictureFolder(pictureFolderCandidates(runningExecutablePath()));

    int glutArgc = static_cast<int>(commandLine.glutArguments.size());
    commandLine.glutArguments.push_back(nullptr);
    glutInit(&glutArgc, commandLine.glutArguments.data());
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(canvasWidth, canvasHeight);
    glutCreateWindow("Velmora");
    returnFromLoopOnClose();
    if (commandLine.fullscreen) glutFullScreen();

    viewSettings.perspective = 0;
    currentView = &viewSettings;

    glutReshapeFunc(onWindowReshape);
    glutDisplayFunc(onDisplay);
    glutIdleFunc(onIdle);
    glutMouseFunc(onWindowMouse);
    glutMotionFunc(onWindowMotion);
    glutPassiveMotionFunc(onWindowPassiveMotion);
    glutKeyboardFunc(onWindowKeyboard);
    glutKeyboardUpFunc(forwardKeyboardUp);
    glutSpecialFunc(onWindowSpecial);
    glutSpecialUpFunc(forwardSpecialUp);

    // Built after the window: its construction loads textures and needs the context.
    GameState game;
    switchState(game);

    setFixedGlState();
    glutMainLoop();
    leaveCurrentState();
    return 0;
}
