// Entry point in a web browser: the same game and the same session on
// emscripten's GLUT and its emulation of fixed-function OpenGL over WebGL.
// What differs from the desktop is here, and only here: no display lists, the
// texture matrix selected once, a reshape that emscripten delivers at once,
// and frames driven by the browser's animation frames, which stop while the
// page is hidden, the game is paused or a watched recording has ended.
#include <GL/glut.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/state.h"
#include "game/game_state.h"
#include "gfx/loaders.h"
#include "gfx/sprite.h"
#include "gfx/texture_cache.h"
#include "session/frame_loop.h"
#include "session/session.h"
#include "session/watch.h"
#include "web/web_recording.h"
#include "web/web_sound.h"

namespace {

Session session;
Watch watch;
bool drawing = true;
bool looping = false;  // the page's animation frames run the loop

// Frames played in one animation frame at most, in wall time; without drawing
// a longer stretch, since nobody watches and the page still answers between.
constexpr double longestStepping = 1.0 / 60;
constexpr double longestSteppingUndrawn = 0.05;

// What the page's tests read: frames run, and the longest step the rules saw
// since they last asked.
unsigned framesRun = 0;
float longestStep = 0;

// While watching, the canvas's store holds the game's view pixel for pixel,
// up to the page's own cap on the store (a wider view is drawn scaled down
// into it); the page sizes the canvas's box, so the picture is the recorded
// one, only scaled, on any screen. A recording may reshape every frame, and
// a new store costs the browser a new drawing buffer, so the store follows
// the view once a drawn frame, however many reshapes came.
constexpr int widestWatchedStore = 1600;

void showWatchedCanvas() {
    const int width = std::min(currentView->width, widestWatchedStore);
    const int height = static_cast<int>(static_cast<long long>(currentView->height) * width / currentView->width);
    EM_ASM(
        {
            var canvas = Module['canvas'];
            if (canvas.width != $0) canvas.width = $0;
            if (canvas.height != $1) canvas.height = $1;
        },
        width, height);
    glViewport(0, 0, width, height);
}

void drawFrame() {
    if (!drawing) return;
    if (session.watching) showWatchedCanvas();
    drawSessionFrame(session);
}

void runFrame();

// The loop runs only while the game goes on; a still game keeps the frame it
// last drew (with the pause sign, when paused).
void loopOnlyWhileMoving() {
    const bool still = standingStill(session);
    if (still && looping) {
        emscripten_pause_main_loop();
        looping = false;
    } else if (!still && !looping) {
        emscripten_resume_main_loop();
        looping = true;
    }
}

// One animation frame of the browser: the updates due, then one display, as
// the desktop's paced loop runs them. GLUT's own idle timer would update
// every 4 ms whatever the screen shows, and its redisplay is not asked for (no
// display callback is registered), so nothing else draws.
void runFrame() {
    const long long now = steadyNowMs();
    if (session.watching)
        watchDueSteps(session, watch, now, drawing ? longestStepping : longestSteppingUndrawn);
    else
        playUpdate(session, now);
    boundBrowserLines(session);
    drawFrame();
    ++framesRun;
    longestStep = std::max(longestStep, frameDelta);
    loopOnlyWhileMoving();
}

// Tells the page what a key or a button did, so that its buttons say so.
void tellPage(PlayerAction action) {
    EM_ASM(
        {
            if (typeof Module['onPlayerAction'] == 'function') Module['onPlayerAction']($0);
        },
        static_cast<int>(action));
}

void afterPlayerAction(PlayerAction action) {
    if (action == PlayerAction::PassedOn) return;
    loopOnlyWhileMoving();
    drawFrame();  // the pause sign shows, or goes, at once
    tellPage(action);
}

// emscripten's glutReshapeWindow calls the reshape callback before it returns,
// where freeglut defers it; so the 4:3 size the game asks for comes straight
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
    // While watching, the game's view is the recording's: the page only
    // scales the canvas's box.
    if (!session.watching && reshapeGame(session, width, height))
        glutReshapeWindow(currentView->width, currentView->height);
    handlingReshape = outer;
    handlingWidth = outerWidth;
    handlingHeight = outerHeight;
    // A resized canvas is blank until drawn again, and a still game draws no frames.
    if (!outer && standingStill(session)) drawFrame();
}

EM_BOOL onVisibilityChange(int, const EmscriptenVisibilityChangeEvent* event, void*) {
    setHidden(session, event->hidden, steadyNowMs());
    loopOnlyWhileMoving();
    return EM_FALSE;
}

void gameMouse(int button, int state, int x, int y) {
    afterPlayerAction(playerPointer(session, x, y, button, state, steadyNowMs()));
}
void gameMotion(int x, int y) { playerMove(session, ReplayCommandKind::Motion, x, y); }
void gamePassiveMotion(int x, int y) { playerMove(session, ReplayCommandKind::Passive, x, y); }

void gameKeyboard(unsigned char key, int x, int y) { afterPlayerAction(playerKey(session, key, x, y, steadyNowMs())); }
void gameKeyboardUp(unsigned char key, int x, int y) { playerKeyUp(session, key, x, y); }

void gameSpecial(int key, int x, int y) { afterPlayerAction(playerSpecial(session, key, x, y, steadyNowMs())); }
void gameSpecialUp(int key, int x, int y) { playerSpecial(session, key, x, y, steadyNowMs(), true); }

}  // namespace

// The page calls this with the backing pixels it has for the canvas; the
// game's reshape keeps 4:3 and sizes the canvas's store.
extern "C" EMSCRIPTEN_KEEPALIVE void resizeGame(int width, int height) { onBrowserReshape(width, height); }

// A finger on the canvas, in backing pixels, reaches the game as the left
// mouse button does: phase 0 down, 1 moved, 2 up.
extern "C" EMSCRIPTEN_KEEPALIVE void touchGame(int phase, int x, int y) {
    if (phase == 0) gameMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
    if (phase == 1) gameMotion(x, y);
    if (phase == 2) gameMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, y);
}

// A finger hides what it presses and lands less exactly than a pointer: the
// page asks, for a touch at (x, y) in window pixels, for the nearest sweet
// whose edge lies within reach pixels of it. Its centre in window pixels,
// as x * 65536 + y; -1 when the press is on a sweet already (it needs no
// help) or none is near.
extern "C" EMSCRIPTEN_KEEPALIVE int webSweetNear(int x, int y, int reach) {
    if (!session.game || session.watching || currentView->width <= 0) return -1;
    const double unitsPerPixel = static_cast<double>(canvasWidth) / currentView->width;
    const double px = x * unitsPerPixel - canvasWidth / 2.0;
    const double py = canvasHeight / 2.0 - y * unitsPerPixel;
    int nearest = -1;
    double nearestGap = reach * unitsPerPixel;
    for (int i = 0; i < foodCount; ++i) {
        const Sprite& sweet = session.game->food[i].sprite;
        const double gapX = std::max(0.0, std::fabs(px - sweet.position.x) - sweet.scale.x / 2);
        const double gapY = std::max(0.0, std::fabs(py - sweet.position.y) - sweet.scale.y / 2);
        const double gap = std::hypot(gapX, gapY);
        if (gap == 0) return -1;
        if (gap <= nearestGap) {
            nearest = i;
            nearestGap = gap;
        }
    }
    if (nearest < 0) return -1;
    const Vec3& centre = session.game->food[nearest].sprite.position;
    const long cx = std::lround((centre.x + canvasWidth / 2.0) / unitsPerPixel);
    const long cy = std::lround((canvasHeight / 2.0 - centre.y) / unitsPerPixel);
    if (cx < 0 || cy < 0 || cx > 0x7fff || cy > 0xffff) return -1;
    return static_cast<int>(cx * 65536 + cy);
}

// The help sign, asked for by the page on a first visit and by its Help
// button; 1 while it is up. Never over a watched recording.
extern "C" EMSCRIPTEN_KEEPALIVE void velmoraShowHelp() {
    if (session.watching) return;
    setHelping(session, true, steadyNowMs());
    afterPlayerAction(PlayerAction::Help);
}

extern "C" EMSCRIPTEN_KEEPALIVE int velmoraHelping() { return session.helping ? 1 : 0; }

// The page's buttons: a pause (1 when the game is now paused), a new game.
extern "C" EMSCRIPTEN_KEEPALIVE int velmoraTogglePause() {
    setPaused(session, !session.paused, steadyNowMs());
    afterPlayerAction(PlayerAction::Pause);
    return session.paused ? 1 : 0;
}

extern "C" EMSCRIPTEN_KEEPALIVE int velmoraPaused() { return session.paused ? 1 : 0; }

extern "C" EMSCRIPTEN_KEEPALIVE void velmoraNewGame() {
    if (session.watching) return;
    newGame(session);
    setPaused(session, false, steadyNowMs());
    afterPlayerAction(PlayerAction::NewGame);
}

// The page draws some pictures while the game already plays (the pause sign)
// and calls this when any of them is written where the game reads: each
// picture the game has asked for and not found, and that is there now, is
// loaded into the handle its sprites already hold. A still game shows it at
// once. Returns how many came.
extern "C" EMSCRIPTEN_KEEPALIVE int webPicturesArrived() {
    int loaded = 0;
    for (auto& [name, handle] : textureCache) {
        std::error_code error;
        if (handle->glName != 0 || std::filesystem::path(name).extension() != ".tga" ||
            !std::filesystem::is_regular_file(name, error))
            continue;
        pictureCame(name);
        if (loadTgaTexture(*handle, name) != 0) ++loaded;
    }
    if (loaded > 0 && standingStill(session)) drawFrame();
    return loaded;
}

// The page names each picture it will draw after the first frame before the
// game starts, so that the game waits for it quietly instead of saying it is
// not found; and, should one not be drawn after all, says so.
extern "C" EMSCRIPTEN_KEEPALIVE void webPictureComing(const char* name) { expectPicture(name); }
extern "C" EMSCRIPTEN_KEEPALIVE void webPictureNotComing(const char* name) { pictureNotComing(name); }

// The texture the game made of a picture it loaded (0 for none), for the
// page's tests to read back what the game got.
extern "C" EMSCRIPTEN_KEEPALIVE unsigned webPictureTexture(const char* name) {
    for (const auto& [key, handle] : textureCache)
        if (std::strcmp(key, name) == 0) return handle->glName;
    return 0;
}

extern "C" EMSCRIPTEN_KEEPALIVE int velmoraWatchEnded() { return session.ended ? 1 : 0; }
extern "C" EMSCRIPTEN_KEEPALIVE unsigned webFramesRun() { return framesRun; }
extern "C" EMSCRIPTEN_KEEPALIVE int webGameClockMs() { return elapsedMs; }
extern "C" EMSCRIPTEN_KEEPALIVE float webTakeLongestStep() {
    const float longest = longestStep;
    longestStep = 0;
    return longest;
}

int main(int argc, char** argv) {
    const BrowserArguments arguments = readBrowserArguments(argc, argv);
    drawing = arguments.drawing;
    glutInit(&argc, argv);
    // No depth buffer: the game never tests depth, and in the browser clearing
    // one is a second full-canvas fill every frame.
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
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
    glutMouseFunc(gameMouse);
    glutMotionFunc(gameMotion);
    glutPassiveMotionFunc(gamePassiveMotion);
    glutKeyboardFunc(gameKeyboard);
    glutKeyboardUpFunc(gameKeyboardUp);
    glutSpecialFunc(gameSpecial);
    glutSpecialUpFunc(gameSpecialUp);

    // glutMainLoop returns to the browser by unwinding main's stack, so the
    // game cannot live in main's frame.
    static GameState game;
    switchState(game);
    setFixedGlState();
    startSession(session, game, steadyNowMs());
    if (!startBrowserRecording(session, watch, arguments)) return 0;  // a recording that cannot be watched
    // The view of the window the game was recorded in, before the recording's
    // own reshapes, as the replay starts.
    if (session.watching) onReshape(canvasWidth, canvasHeight);
    startBrowserSound(game);

    // Frames at the browser's pace, from the next animation frame on.
    emscripten_set_main_loop(runFrame, 0, EM_FALSE);
    looping = true;
    // A page opened behind another tab starts with its clock held.
    EmscriptenVisibilityChangeEvent visibility{};
    if (emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS)
        setHidden(session, visibility.hidden, steadyNowMs());
    loopOnlyWhileMoving();
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, onVisibilityChange);
    glutMainLoop();
    return 0;
}
