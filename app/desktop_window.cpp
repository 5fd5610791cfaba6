// The window through freeglut's extensions and a little of Xlib. Hidden and
// shown, pressed and released, closed or destroyed: each becomes one call on
// the session or one GLUT setting, and the rules never see the window.
#include "app/desktop_window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/XKBlib.h>

#include <cstring>
#include <string>

#include "app/canvas_box.h"
#include "app/command_line.h"
#include "app/settings.h"
#include "app/window_keys.h"
#include "audio/sound_player.h"
#include "core/state.h"
#include "gfx/diagnostic.h"
#include "gfx/texture_cache.h"
#include "session/damage.h"
#include "session/session.h"
#include "session/signs.h"

namespace {

struct DesktopWindow {
    Session* session = nullptr;
    void (*idle)() = nullptr;
    bool startsHidden = false;  // started -iconic: no frames until it is first shown
    int hidings = 0;            // tells a watch left over from an earlier hiding to stop
    bool escapeTaken = false;   // the window took Esc's press, so its release too
    bool f11Taken = false;
    HeldKeys held;  // a press of a key already down is the server repeating it
    bool watchingKeys = false;
    // The window as the X server knows it, to ask whether it still exists.
    Display* display = nullptr;
    Window handle = 0;
};
DesktopWindow window;

// How often a hidden window is checked: a window destroyed while hidden sends
// freeglut nothing it passes on.
constexpr unsigned hiddenWatchMs = 250;

// How often keys held down are checked against the keyboard: a key let go
// while another window has the focus sends this one no release.
constexpr unsigned heldKeysWatchMs = 200;

// The page's background, so the game looks the same beside its canvas everywhere.
constexpr float barColour[3] = {42 / 255.0f, 46 / 255.0f, 53 / 255.0f};

bool windowIsFullScreen() { return glutGet(GLUT_FULL_SCREEN) != 0; }

bool endingWithoutWindow = false;

void endWithoutWindow() {
    if (endingWithoutWindow) return;
    endingWithoutWindow = true;
    reportLine("The game's window was destroyed by another program: the game ends");
    glutLeaveMainLoop();
}

// Xlib's usual handler ends the process with status 1 on any error. Errors
// about a window that is no longer there are how its destruction shows up
// first (a buffer swap into it), so those end the game as a close does;
// anything else goes to the usual handler.
XErrorHandler usualErrorHandler = nullptr;
bool copyOfFrameRefused(const XErrorEvent& error);
int onXError(Display* display, XErrorEvent* error) {
    if (copyOfFrameRefused(*error)) return 0;
    const bool windowGone = window.handle && error->resourceid == window.handle &&
                            (error->error_code == BadWindow || error->error_code == BadDrawable);
    if (windowGone) {
        endWithoutWindow();
        return 0;
    }
    return usualErrorHandler ? usualErrorHandler(display, error) : 0;
}

// A round trip to the X server; should the window be gone, the error it
// answers with goes to onXError.
bool windowStillExists() {
    XWindowAttributes attributes;
    return !window.display || XGetWindowAttributes(window.display, window.handle, &attributes) != 0;
}

void watchHiddenWindow(int hiding) {
    if (!window.session || !window.session->hidden || hiding != window.hidings) return;
    if (windowStillExists()) glutTimerFunc(hiddenWatchMs, watchHiddenWindow, hiding);
}

void setWindowHidden(bool hidden) {
    if (!window.session || window.session->hidden == hidden) return;
    setHidden(*window.session, hidden, steadyNowMs());
    idleOnlyWhileMoving();
    if (hidden && windowStillExists()) glutTimerFunc(hiddenWatchMs, watchHiddenWindow, ++window.hidings);
}

// A minimized or unmapped window: no frames, no updates and no play time, so
// the player comes back to the game as it was. Destroying a shown window
// unmaps it first, so that ends the game here too.
void onWindowStatus(int status) { setWindowHidden(status == GLUT_HIDDEN); }

// The game state in main outlives the window: what its sprites hold in
// OpenGL goes now, while the context is still current.
void closeWindow() {
    leaveCurrentState();
    releaseSigns();
    releaseGlObjects();
}

bool startedIconic(const CommandLine& commandLine) {
    for (const char* argument : commandLine.glutArguments)
        if (argument && std::strcmp(argument, "-iconic") == 0) return true;
    return false;
}

}  // namespace

void afterPlayerAction(PlayerAction action) {
    switch (action) {
        case PlayerAction::Pause:
        case PlayerAction::NewGame:
        case PlayerAction::Help:
        case PlayerAction::EndSignGone:
            idleOnlyWhileMoving();
            glutPostRedisplay();
            break;
        case PlayerAction::HelpGone:
            idleOnlyWhileMoving();
            glutPostRedisplay();
            rememberHelpSeen();
            break;
        case PlayerAction::Sound:
            rememberSoundSwitch();
            // Nothing changes that the player could hear: say why.
            if (!soundPlayerOpen())
                reportLine(std::string("Sound ") + (soundIsOn() ? "on" : "off") +
                           " is kept for the next game: there is no audio device to hear it on now");
            break;
        case PlayerAction::PassedOn:
            break;
    }
}

void openGameWindow(CommandLine& commandLine) {
    int glutArgc = static_cast<int>(commandLine.glutArguments.size());
    window.startsHidden = startedIconic(commandLine);
    commandLine.glutArguments.push_back(nullptr);
    glutInit(&glutArgc, commandLine.glutArguments.data());
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    // After glutInit, which would otherwise take the size from -geometry unchecked.
    glutInitWindowSize(commandLine.windowWidth, commandLine.windowHeight);
    glutCreateWindow("Velmora");

    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    // freeglut calls this with the closing window's context current, also when
    // the loop is left some other way and it tears the window down.
    glutCloseFunc(closeWindow);
    window.display = glXGetCurrentDisplay();
    window.handle = glXGetCurrentDrawable();
    // A held key then repeats as presses alone, told apart by window.held; without
    // this the server sends a release and a press for each repeat.
    Bool repeatsDetectable = False;
    XkbSetDetectableAutoRepeat(window.display, True, &repeatsDetectable);
    usualErrorHandler = XSetErrorHandler(onXError);
    glutWindowStatusFunc(onWindowStatus);
    if (commandLine.fullscreen) glutFullScreen();
}

void useSession(Session& session, void (*idle)()) {
    window.session = &session;
    window.idle = idle;
    // Iconified from the start, the window sends no status until it is shown.
    if (window.startsHidden) setWindowHidden(true);
    idleOnlyWhileMoving();
}

void idleOnlyWhileMoving() {
    if (!window.session) return;
    glutIdleFunc(standingStill(*window.session) ? nullptr : window.idle);
}

void useWindowKeys() {
    // A held key acts once: the X server's repeats of it are dropped for this
    // window alone, so P, N, M, F11 and Esc act on the press and a recording
    // holds one key and one key up per press of any key. Where the server
    // cannot send repeats as presses alone, freeglut drops the release and
    // press pairs it sends instead. glutSetKeyRepeat would switch repeats off
    // for every program on the display.
    glutIgnoreKeyRepeat(1);
    glutKeyboardFunc(windowKeyboard);
    glutKeyboardUpFunc(windowKeyboardUp);
    glutSpecialFunc(windowSpecial);
    glutSpecialUpFunc(windowSpecialUp);
}

namespace {

// Once no key at all is down on the keyboard, none of the game's can be:
// the ones whose release went to another window are forgotten.
void watchHeldKeys(int) {
    if (!anyHeld(window.held)) {
        window.watchingKeys = false;
        return;
    }
    char keymap[32] = {};
    if (window.display) XQueryKeymap(window.display, keymap);
    bool anyDown = false;
    for (char bits : keymap) anyDown = anyDown || bits != 0;
    if (anyDown) {
        glutTimerFunc(heldKeysWatchMs, watchHeldKeys, 0);
        return;
    }
    window.watchingKeys = false;
    window.held = {};
}

void watchHeldKeys() {
    if (window.watchingKeys) return;
    window.watchingKeys = true;
    glutTimerFunc(heldKeysWatchMs, watchHeldKeys, 0);
}

}  // namespace

void windowKeyboard(unsigned char key, int x, int y) {
    if (!window.session || !takePress(window.held, key)) return;
    watchHeldKeys();
    const WindowKeyAction action = actionForKey(key, windowIsFullScreen());
    if (action == WindowKeyAction::LeaveFullScreen) {
        window.escapeTaken = true;
        glutLeaveFullScreen();
        return;
    }
    afterPlayerAction(playerKey(*window.session, key, x, y, steadyNowMs()));
}

void windowKeyboardUp(unsigned char key, int x, int y) {
    takeRelease(window.held, key);
    if (!window.session) return;
    if (key == escapeKey && window.escapeTaken) {
        window.escapeTaken = false;
        return;
    }
    playerKeyUp(*window.session, key, x, y);
}

void windowSpecial(int key, int x, int y) {
    if (!window.session || !takeSpecialPress(window.held, key)) return;
    watchHeldKeys();
    if (actionForSpecialKey(key) == WindowKeyAction::ToggleFullScreen) {
        window.f11Taken = true;
        glutFullScreenToggle();
        return;
    }
    afterPlayerAction(playerSpecial(*window.session, key, x, y, steadyNowMs()));
}

void windowSpecialUp(int key, int x, int y) {
    takeSpecialRelease(window.held, key);
    if (!window.session) return;
    if (actionForSpecialKey(key) == WindowKeyAction::ToggleFullScreen && window.f11Taken) {
        window.f11Taken = false;
        return;
    }
    playerSpecial(*window.session, key, x, y, steadyNowMs(), true);
}

namespace {

// The box of the frame being drawn; its bars are painted once the game has drawn.
struct FrameBox {
    bool boxed = false;
    int windowWidth = 0;
    int windowHeight = 0;
    CanvasBox box;
};
FrameBox frameBox;

void clearBar(int left, int bottom, int width, int height) {
    if (width <= 0 || height <= 0) return;
    glScissor(left, bottom, width, height);
    glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace

// No scissor is on while the game draws: framebuffer blits honour it, and the
// copy the game keeps of the mouth's pixels would lose the rows of the box
// that lie above the copy's own, which then showed as a black band.
void drawInBox(int windowWidth, int windowHeight, const CanvasBox& box) {
    const bool boxed = box.width > 0 && (box.width != windowWidth || box.height != windowHeight);
    frameBox = {boxed, windowWidth, windowHeight, box};
}

void endDrawingInBox() {
    if (!frameBox.boxed) return;
    frameBox.boxed = false;
    const int width = frameBox.windowWidth, height = frameBox.windowHeight;
    const CanvasBox& box = frameBox.box;
    // OpenGL counts rows from the bottom edge.
    const int bottom = height - box.top - box.height, top = bottom + box.height;
    GLfloat gameClear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, gameClear);
    glClearColor(barColour[0], barColour[1], barColour[2], 1);
    glEnable(GL_SCISSOR_TEST);
    clearBar(0, 0, width, bottom);
    clearBar(0, top, width, height - top);
    clearBar(0, bottom, box.left, box.height);
    clearBar(box.left + box.width, bottom, width - box.left - box.width, box.height);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(gameClear[0], gameClear[1], gameClear[2], gameClear[3]);
}

namespace {

struct PartsShown {
    bool asked = false;
    PFNGLXCOPYSUBBUFFERMESAPROC copy = nullptr;
    // A second connection to the X server that is sent the window's exposes
    // too: freeglut turns them into a redisplay like any other.
    Display* exposes = nullptr;
    // The X extension the copies go through, and whether one was refused: a
    // window that changed size since its frame was drawn can be smaller than
    // the copy; the next frame is then drawn and shown whole.
    int sharedImages = -1;
    bool copyRefused = false;
    // The software renderer looks at the window's size again only after a
    // swap: the frame after a new size, or a refused copy, is swapped.
    bool swapNext = false;
};
PartsShown partsShown;

bool offers(const char* extensions, const char* name) {
    const char* found = extensions ? std::strstr(extensions, name) : nullptr;
    return found && (found[std::strlen(name)] == ' ' || found[std::strlen(name)] == '\0');
}

void askForParts() {
    partsShown.asked = true;
    if (!window.display || wholeFrames) return;
    const char* extensions = glXQueryExtensionsString(window.display, DefaultScreen(window.display));
    if (!offers(extensions, "GLX_MESA_copy_sub_buffer")) return;
    int event = 0, error = 0;
    if (!XQueryExtension(window.display, "MIT-SHM", &partsShown.sharedImages, &event, &error))
        partsShown.sharedImages = -1;
    partsShown.copy = reinterpret_cast<PFNGLXCOPYSUBBUFFERMESAPROC>(
        glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXCopySubBufferMESA")));
    if (!partsShown.copy) return;
    partsShown.exposes = XOpenDisplay(DisplayString(window.display));
    if (!partsShown.exposes) {
        partsShown.copy = nullptr;
        return;
    }
    XSelectInput(partsShown.exposes, window.handle, ExposureMask);
    XFlush(partsShown.exposes);
}

bool copyOfFrameRefused(const XErrorEvent& error) {
    constexpr int putImage = 3;  // X_ShmPutImage
    if (partsShown.sharedImages < 0 || error.request_code != partsShown.sharedImages || error.minor_code != putImage ||
        error.error_code != BadValue)
        return false;
    partsShown.copyRefused = partsShown.swapNext = true;
    return true;
}

}  // namespace

bool windowShowsParts() {
    if (!partsShown.asked) askForParts();
    return partsShown.copy != nullptr;
}

bool windowExposed() {
    if (!windowShowsParts()) return false;
    bool exposed = false;
    while (XPending(partsShown.exposes) > 0) {
        XEvent event;
        XNextEvent(partsShown.exposes, &event);
        exposed = exposed || event.type == Expose;
    }
    return exposed;
}

void showNextFrameBySwap() { partsShown.swapNext = true; }

bool showFrame(const FrameDamage& drawn) {
    if (!windowShowsParts() || partsShown.swapNext) {
        glutSwapBuffers();
        partsShown.swapNext = partsShown.copyRefused = false;
        return false;
    }
    // Never swapped, the back buffer keeps the frame for the next one.
    if (drawn.whole)
        partsShown.copy(window.display, window.handle, 0, 0, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
    for (const PixelRect& part : drawn.rects)
        partsShown.copy(window.display, window.handle, part.x0, part.y0, part.x1 - part.x0, part.y1 - part.y0);
    // Copies are flushes; a frame that changed nothing still ends its drawing.
    if (drawn.rects.empty() && !drawn.whole) glFlush();
    const bool shown = !partsShown.copyRefused;
    partsShown.copyRefused = false;
    return shown;
}

void leaveCurrentState() {
    State* leaving = currentState;
    if (!leaving) return;
    currentState = nullptr;
    leaving->leave(nullptr);
}
