// Watching a recording. The game draws into a framebuffer of the recorded
// view's size, as it drew into the recorded window, and each display copies
// that picture scaled into the largest 4:3 box of the watcher's window. So the
// game sees only the recorded sizes, pointer positions convert as they did
// when recorded, and the watcher may give the window any size. Should the
// framebuffer be refused, the game draws straight into the box instead.
#define GL_GLEXT_PROTOTYPES 1
#include "app/watch_recording.h"

#include <GL/freeglut.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "app/canvas_box.h"
#include "app/command_line.h"
#include "app/desktop_window.h"
#include "app/display_pacing.h"
#include "app/game_files.h"
#include "app/settings.h"
#include "audio/game_sounds.h"
#include "core/state.h"
#include "core/view.h"
#include "game/game_state.h"
#include "gfx/diagnostic.h"
#include "session/frame_loop.h"
#include "session/frame_pacing.h"
#include "session/session.h"
#include "session/watch.h"

namespace {

constexpr int badRecordingStatus = 2;
constexpr int lostTraceStatus = 1;
// Frames played in one idle call at most, in wall time: fast watching still
// shows a picture a display frame and the window keeps answering.
constexpr double longestStepping = 1.0 / 60;
// Without a frame cap, the longest nap while the next frame is not yet due;
// the window's events are handled between naps.
constexpr double longestNap = 0.01;

struct WatchWindow {
    Session session;
    Watch watch;
    bool paced = true;  // a frame cap paces the idle calls
    // The game's picture, at the recorded view's size.
    GLuint framebuffer = 0;
    GLuint colorBuffer = 0;
    GLuint depthBuffer = 0;
    bool drawDirectly = false;  // the framebuffer was refused
    int pictureWidth = 0;
    int pictureHeight = 0;
    int windowWidth = canvasWidth;
    int windowHeight = canvasHeight;
};

WatchWindow watching;

// False, after one line, when the driver will not draw into it.
bool makePicture(int width, int height) {
    if (watching.framebuffer == 0) {
        glGenFramebuffers(1, &watching.framebuffer);
        glGenRenderbuffers(1, &watching.colorBuffer);
        glGenRenderbuffers(1, &watching.depthBuffer);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, watching.colorBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, watching.depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, watching.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, watching.colorBuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, watching.depthBuffer);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        reportLine("The watched picture cannot be kept at " + std::to_string(width) + " x " + std::to_string(height) +
                   " (framebuffer status " + std::to_string(status) + "): drawing it straight into the window");
        return false;
    }
    watching.pictureWidth = width;
    watching.pictureHeight = height;
    return true;
}

// The game drawn straight into the window's box, scaled by the viewport.
void drawDirectly(const CanvasBox& box) {
    drawInBox(watching.windowWidth, watching.windowHeight, box);
    glViewport(box.left, watching.windowHeight - box.top - box.height, box.width, box.height);
    drawSessionFrame(watching.session);
    endDrawingInBox();
}

void watchDisplay() {
    const int width = currentView->width, height = currentView->height;
    const CanvasBox box = fitCanvas(watching.windowWidth, watching.windowHeight);
    if (!watching.drawDirectly && (width != watching.pictureWidth || height != watching.pictureHeight))
        watching.drawDirectly = !makePicture(width, height);
    if (watching.drawDirectly) {
        if (box.width > 0) drawDirectly(box);
        glutSwapBuffers();
        return;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, watching.framebuffer);
    glViewport(0, 0, width, height);
    drawSessionGame(watching.session);

    glBindFramebuffer(GL_READ_FRAMEBUFFER, watching.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    // The bars beside the picture, then the picture. At the recorded size it
    // is copied pixel for pixel.
    if (box.width > 0) {
        drawInBox(watching.windowWidth, watching.windowHeight, box);
        endDrawingInBox();
        const int bottom = watching.windowHeight - box.top - box.height;
        const bool sameSize = box.width == width && box.height == height;
        glBlitFramebuffer(0, 0, width, height, box.left, bottom, box.left + box.width, bottom + box.height,
                          GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
        // The signs are the watcher's: sharp at the window's size, whatever the recorded one.
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(box.left, bottom, box.width, box.height);
        drawSessionSigns(watching.session);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glutSwapBuffers();
}

void watchReshape(int width, int height) {
    watching.windowWidth = width;
    watching.windowHeight = height;
    glutPostRedisplay();
}

void watchIdle() {
    if (watching.paced) waitForNextFrame();
    const WatchedSteps steps = watchDueSteps(watching.session, watching.watch, steadyNowMs(), longestStepping);
    takeSessionLines(watching.session);
    if (steps.frames > 0 || watching.session.ended) glutPostRedisplay();
    if (watching.session.ended) {
        // The whole trace is on disk once the last frame has been seen.
        writeOutLines(gameFiles.trace);
        idleOnlyWhileMoving();
    } else if (steps.frames == 0 && !watching.paced) {
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(steps.waitSeconds, longestNap)));
    }
}

}  // namespace

int watchRecording(CommandLine& commandLine) {
    std::string fault;
    if (!openWatch(watching.watch, commandLine.playPath, fault)) {
        reportLine("velmora: " + fault);
        return badRecordingStatus;
    }

    openGameWindow(commandLine);
    // The title says what the window shows: a recording, not a game to play.
    const std::string::size_type slash = commandLine.playPath.rfind('/');
    const std::string title =
        "Velmora - watching " +
        (slash == std::string::npos ? commandLine.playPath : commandLine.playPath.substr(slash + 1));
    glutSetWindowTitle(title.c_str());
    startFramePacing(commandLine.framesPerSecond);
    watching.paced = commandLine.framesPerSecond != 0;
    viewSettings.perspective = 0;
    currentView = &viewSettings;
    // No mouse callbacks at all: the watcher's pointer has nothing to reach.
    glutReshapeFunc(watchReshape);
    glutDisplayFunc(watchDisplay);
    useWindowKeys();

    GameState game;
    switchState(game);
    setFixedGlState();
    // The game starts with the view of the window it was recorded in, as the
    // replay does, before the recording's own reshapes.
    onReshape(canvasWidth, canvasHeight);
    startSession(watching.session, game, steadyNowMs());
    openGameFiles(watching.session, "", commandLine.tracePath);
    startWatching(watching.session, watching.watch, commandLine.playSpeed);
    startGameSounds(game, commandLine.mute || !readSettings().soundOn);
    useSession(watching.session, watchIdle);
    keepFilesCurrent(watching.session);

    glutMainLoop();
    leaveCurrentState();
    stopGameSounds();
    takeSessionLines(watching.session);
    return closeGameFiles("", commandLine.tracePath) ? 0 : lostTraceStatus;
}
