// Watching a recording. The game draws into a framebuffer of the recorded
// view's size, as it drew into the recorded window, and each display copies
// that picture scaled into the largest 4:3 box of the watcher's window. So the
// game sees only the recorded sizes, pointer positions convert as they did
// when recorded, and the watcher may give the window any size.
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
#include "session/picture_folder.h"
#include "session/frame_loop.h"
#include "audio/game_sounds.h"
#include "core/state.h"
#include "core/view.h"
#include "game/game_state.h"
#include "gfx/diagnostic.h"
#include "recording/game_trace.h"
#include "recording/line_file.h"
#include "recording/script_player.h"

namespace {

constexpr int badRecordingStatus = 2;
// Frames played in one idle call at most, in wall time: fast watching still
// shows about sixty pictures a second and the window keeps answering.
constexpr double longestStepping = 1.0 / 60;
// The longest sleep while the next frame is not yet due; the window's events
// are handled between naps.
constexpr double longestNap = 0.01;

struct Watch {
    ReplayScript script;
    ScriptPlayer player;
    ScriptPace pace;
    const GameState* game = nullptr;
    LineFile trace;
    long long frames = 0;
    // The game's picture, at the recorded view's size.
    GLuint framebuffer = 0;
    GLuint colorBuffer = 0;
    GLuint depthBuffer = 0;
    int pictureWidth = 0;
    int pictureHeight = 0;
    int windowWidth = canvasWidth;
    int windowHeight = canvasHeight;
};

Watch watch;

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void makePicture(int width, int height) {
    if (watch.framebuffer == 0) {
        glGenFramebuffers(1, &watch.framebuffer);
        glGenRenderbuffers(1, &watch.colorBuffer);
        glGenRenderbuffers(1, &watch.depthBuffer);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, watch.colorBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, watch.depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, watch.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, watch.colorBuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, watch.depthBuffer);
    watch.pictureWidth = width;
    watch.pictureHeight = height;
}

void onWatchDisplay() {
    const int width = currentView->width, height = currentView->height;
    if (width != watch.pictureWidth || height != watch.pictureHeight) makePicture(width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, watch.framebuffer);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    if (currentState) currentState->render();
    glPopMatrix();

    glBindFramebuffer(GL_READ_FRAMEBUFFER, watch.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    // Black bars beside the picture, then the game's own grey again.
    GLfloat gameClear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, gameClear);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(gameClear[0], gameClear[1], gameClear[2], gameClear[3]);
    const CanvasBox box = fitCanvas(watch.windowWidth, watch.windowHeight);
    if (box.width > 0) {
        // OpenGL counts rows from the bottom edge. At the recorded size the
        // picture is copied pixel for pixel.
        const int bottom = watch.windowHeight - box.top - box.height;
        const bool sameSize = box.width == width && box.height == height;
        glBlitFramebuffer(0, 0, width, height, box.left, bottom, box.left + box.width, bottom + box.height,
                          GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glutSwapBuffers();
}

void onWatchWindowReshape(int width, int height) {
    watch.windowWidth = width;
    watch.windowHeight = height;
    glutPostRedisplay();
}

// The watcher's keys go to the window alone: F11 and Esc still work.
void onWatchKeyboard(unsigned char key, int, int) { takeWindowKey(key); }
void onWatchSpecial(int key, int, int) { takeWindowSpecialKey(key); }

void endWatching() {
    // The whole trace is on disk before the line says the recording ended.
    writeOutLines(watch.trace);
    useGameIdle(nullptr);
    reportLine("The recording ended after " + std::to_string(watch.frames) +
               " frames; its last frame stays until the window is closed");
    glutPostRedisplay();
}

void onWatchIdle() {
    const double began = secondsNow();
    bool played = false;
    for (;;) {
        const double now = secondsNow();
        if (played && now - began >= longestStepping) break;
        ScriptStep step;
        double waitSeconds = 0;
        if (!nextDueStep(watch.player, watch.pace, now, step, waitSeconds)) {
            if (!played) std::this_thread::sleep_for(std::chrono::duration<double>(std::min(waitSeconds, longestNap)));
            break;
        }
        switch (step.kind) {
            case ScriptStepKind::Frame:
                playScriptFrame(step.clockMs);
                ++watch.frames;
                // Taken right after the update, as the recorder and the replay take theirs.
                if (isOpen(watch.trace)) {
                    appendTraceLine(watch.trace.pending, watch.frames, *watch.game, false);
                    linesAdded(watch.trace);
                }
                played = true;
                continue;
            case ScriptStepKind::Reshape:
                applyScriptReshape(step.command->x, step.command->y);
                continue;
            case ScriptStepKind::Shot:  // watching writes nothing the recording names
                continue;
            case ScriptStepKind::End:
                endWatching();
                break;
        }
        break;
    }
    if (played) glutPostRedisplay();
}

}  // namespace

int watchRecording(CommandLine& commandLine) {
    std::string fault;
    // Read from where the player was, before the picture folder is entered.
    if (!readWatchedRecording(commandLine.playPath, watch.script, fault)) {
        reportLine("velmora: " + fault);
        return badRecordingStatus;
    }
    const std::string tracePath = pathFromStartFolder(commandLine.tracePath);
    enterPictureFolder(pictureFolderCandidates(runningExecutablePath()));

    openGameWindow(commandLine);

    viewSettings.perspective = 0;
    currentView = &viewSettings;
    // No mouse callbacks at all: the watcher's pointer has nothing to reach.
    glutReshapeFunc(onWatchWindowReshape);
    glutDisplayFunc(onWatchDisplay);
    // Heard as it was played: the sounds come from the game before and after each idle.
    useGameIdle([] { updateWithSound(onWatchIdle); });
    glutKeyboardFunc(onWatchKeyboard);
    glutSpecialFunc(onWatchSpecial);

    GameState game;
    switchState(game);
    setFixedGlState();
    // The game starts with the view of the window it was recorded in, as the
    // replay does, before the recording's own reshapes.
    applyScriptReshape(canvasWidth, canvasHeight);
    if (!tracePath.empty()) openLineFile(watch.trace, tracePath, "trace");
    watch.game = &game;
    watch.player.script = &watch.script;
    watch.pace.speed = commandLine.playSpeed;
    startGameSounds(game, commandLine.mute);

    glutMainLoop();
    leaveCurrentState();
    stopGameSounds();
    closeLineFile(watch.trace);
    return 0;
}
