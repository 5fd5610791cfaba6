// Entry point: one 800 x 600 window, the game state made current, then GLUT's
// loop. Closing the window returns from the loop: the state is left and
// destroyed and the game ends with status 0.
#include <GL/glut.h>

#include <csignal>
#include <cstdlib>

#include "app/command_line.h"
#include "app/desktop_window.h"
#include "app/display_pacing.h"
#include "session/picture_folder.h"
#include "session/frame_loop.h"
#include "app/watch_recording.h"
#include "audio/game_sounds.h"
#include "core/state.h"
#include "game/game_state.h"
#include "recording/recorder.h"

int main(int argc, char** argv) {
    CommandLine commandLine;
    const int earlyExit = readCommandLine(argc, argv, commandLine);
    if (earlyExit >= 0) return earlyExit;
    if (!commandLine.playPath.empty()) return watchRecording(commandLine);

    // The files named on the command line are where the player was, not in
    // the folder the pictures are found in.
    commandLine.recordPath = pathFromStartFolder(commandLine.recordPath);
    commandLine.tracePath = pathFromStartFolder(commandLine.tracePath);
    if (const char* frameLog = std::getenv("VELMORA_FRAME_LOG"); frameLog && *frameLog)
        setenv("VELMORA_FRAME_LOG", pathFromStartFolder(frameLog).c_str(), 1);
    // A trace piped into a reader that quits is reported once and dropped;
    // the game plays on instead of being killed.
    std::signal(SIGPIPE, SIG_IGN);
    enterPictureFolder(pictureFolderCandidates(runningExecutablePath()));

    openGameWindow(commandLine);
    startFramePacing(commandLine.framesPerSecond);

    viewSettings.perspective = 0;
    currentView = &viewSettings;

    // The window takes its own keys and places the canvas; what reaches the
    // game is written down by the recorder (with --record) and passed on.
    glutReshapeFunc(onWindowReshape);
    glutDisplayFunc(onDisplay);
    // Each update is heard: the game is looked at before and after it.
    useGameIdle([] { updateWithSound(recordIdle); });
    glutMouseFunc(onWindowMouse);
    glutMotionFunc(onWindowMotion);
    glutPassiveMotionFunc(onWindowPassiveMotion);
    glutKeyboardFunc(onWindowKeyboard);
    glutKeyboardUpFunc(onWindowKeyboardUp);
    glutSpecialFunc(onWindowSpecial);
    glutSpecialUpFunc(recordSpecialUp);

    // Built after the window: its construction loads textures and needs the context.
    GameState game;
    switchState(game);
    startRecording(commandLine.recordPath, commandLine.tracePath, game);
    startGameSounds(game, commandLine.mute);

    setFixedGlState();
    glutMainLoop();
    leaveCurrentState();
    stopGameSounds();
    stopRecording();
    return 0;
}
