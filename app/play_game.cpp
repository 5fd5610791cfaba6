// Playing: GLUT's callbacks, each one call on the session. The canvas sits in
// the window at 4:3; where the window keeps another shape (full screen,
// maximized, tiled) the canvas is the largest 4:3 box in its middle, and the
// game sees a view of the box's size, as a replay reshaped to it would.
#include "app/play_game.h"

#include <GL/freeglut.h>

#include "app/canvas_box.h"
#include "app/command_line.h"
#include "app/desktop_window.h"
#include "app/display_pacing.h"
#include "app/game_files.h"
#include "app/settings.h"
#include "audio/game_sounds.h"
#include "core/state.h"
#include "game/game_state.h"
#include "gfx/diagnostic.h"
#include "session/damage.h"
#include "session/frame_loop.h"
#include "session/frame_pacing.h"
#include "session/session.h"

namespace {

constexpr int lostFilesStatus = 1;

Session session;
CanvasBox canvasBox;  // where the canvas lies in the window; empty while it fills it
int windowWidth = canvasWidth;
int windowHeight = canvasHeight;
DamageState damage;  // what changed since the frame the back buffer holds

void playIdle() {
    // Before the clock is read, so the rules see the time the wait took.
    waitForNextFrame();
    playUpdate(session, steadyNowMs());
    takeSessionLines(session);
    glutPostRedisplay();
}

void drawSessionContent() {
    renderCurrentState();
    drawSessionSigns(session);
}

void playDisplay() {
    drawInBox(windowWidth, windowHeight, canvasBox);
    damage.wholeOnly = !windowShowsParts();
    if (windowExposed()) forgetLastFrame(damage);
    const FrameDamage drawn = drawFrameByDamage(damage, drawSessionContent);
    endDrawingInBox();
    if (!showFrame(drawn)) forgetLastFrame(damage);
}

void playReshape(int width, int height) {
    forgetLastFrame(damage);  // the back buffer has a new size
    showNextFrameBySwap();
    canvasBox = {};
    windowWidth = width;
    windowHeight = height;
    // glutReshapeWindow would take the window out of full screen, so there
    // the game's own reshape, which asks for a 4:3 window, is not used.
    const bool fullScreen = glutGet(GLUT_FULL_SCREEN) != 0;
    if (!fullScreen) {
        // Asked on every reshape, also when the window has that size already.
        if (reshapeGame(session, width, height)) glutReshapeWindow(currentView->width, currentView->height);
        // The window has the size asked for, or the size is unusable (said).
        if (width <= 0 || height == static_cast<int>(width * 0.75)) return;
    }
    const CanvasBox box = fitCanvas(width, height);
    if (box.width <= 0) {
        if (fullScreen) reshapeGame(session, width, height);  // says the size is unusable
        return;
    }
    canvasBox = box;
    reshapeGame(session, box.width, box.height);
    // OpenGL counts the viewport from the bottom edge.
    glViewport(box.left, height - box.top - box.height, box.width, box.height);
}

// Pointer positions are made relative to the canvas's corner.
void playMouse(int button, int state, int x, int y) {
    afterPlayerAction(playerPointer(session, x - canvasBox.left, y - canvasBox.top, button, state, steadyNowMs()));
}
void playMotion(int x, int y) { playerMove(session, ReplayCommandKind::Motion, x - canvasBox.left, y - canvasBox.top); }
void playPassiveMotion(int x, int y) {
    playerMove(session, ReplayCommandKind::Passive, x - canvasBox.left, y - canvasBox.top);
}

}  // namespace

int playGame(CommandLine& commandLine) {
    openGameWindow(commandLine);
    startFramePacing(commandLine.framesPerSecond);
    viewSettings.perspective = 0;
    currentView = &viewSettings;

    glutReshapeFunc(playReshape);
    glutDisplayFunc(playDisplay);
    glutMouseFunc(playMouse);
    glutMotionFunc(playMotion);
    glutPassiveMotionFunc(playPassiveMotion);
    useWindowKeys();

    // Built after the window: its construction loads textures and needs the context.
    GameState game;
    switchState(game);
    startSession(session, game, steadyNowMs());
    openGameFiles(session, commandLine.recordPath, commandLine.tracePath);
    const Settings settings = readSettings();
    startGameSounds(game, commandLine.mute || !settings.soundOn);
    // The first game a player starts opens under the help sign.
    if (settings.helpOn) setHelping(session, true, steadyNowMs());
    useSession(session, playIdle);

    keepFilesCurrent(session);

    setFixedGlState();
    glutMainLoop();
    leaveCurrentState();
    stopGameSounds();
    // What the last moments gave (a release while paused, say) is the files' too.
    takeSessionLines(session);
    if (!closeGameFiles(commandLine.recordPath, commandLine.tracePath)) {
        reportLine("The game's recording or trace was not kept whole: it ends with status 1");
        return lostFilesStatus;
    }
    return 0;
}
