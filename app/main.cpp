// Entry point: the command line read, then the game played in its window or
// a recording watched there. Closing the window returns from GLUT's loop: the
// state is left and destroyed and the game ends with status 0.
#include <csignal>
#include <cstdlib>

#include "app/command_line.h"
#include "app/play_game.h"
#include "app/watch_recording.h"
#include "session/picture_folder.h"

int main(int argc, char** argv) {
    CommandLine commandLine;
    const int earlyExit = readCommandLine(argc, argv, commandLine);
    if (earlyExit >= 0) return earlyExit;
    // A trace piped into a reader that quits, or a file that meets the size
    // limit, is reported once and dropped: the game plays on instead of being
    // killed, whether it is played or watched.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    // The files named on the command line are where the player was, not in
    // the folder the pictures are found in.
    commandLine.playPath = pathFromStartFolder(commandLine.playPath);
    commandLine.recordPath = pathFromStartFolder(commandLine.recordPath);
    commandLine.tracePath = pathFromStartFolder(commandLine.tracePath);
    if (const char* frameLog = std::getenv("VELMORA_FRAME_LOG"); frameLog && *frameLog)
        setenv("VELMORA_FRAME_LOG", pathFromStartFolder(frameLog).c_str(), 1);
    enterPictureFolder(pictureFolderCandidates(runningExecutablePath()));

    return commandLine.playPath.empty() ? playGame(commandLine) : watchRecording(commandLine);
}
