// The per-update sequence and the session's input. Lines are appended to the
// session's own strings and the program takes them away, so the same update
// serves a file on the desktop, the page's memory and the replay's output.
#include "session/session.h"

#include "audio/game_sounds.h"
#include "audio/sound_player.h"
#include "core/state.h"
#include "game/game_state.h"
#include "recording/game_trace.h"
#include "recording/script_lines.h"
#include "recording/script_player.h"
#include "session/frame_loop.h"
#include "session/signs.h"

namespace {

constexpr int glutButtonDown = 0;    // GLUT_DOWN, as a recording holds it
constexpr int glutLeftButtonUp = 1;  // GLUT_UP
constexpr int glutKeyF1 = 1;         // GLUT_KEY_F1

void record(Session& session, const ReplayCommand& c) {
    if (session.recording) appendScriptLine(session.recordLines, c);
}

int soundClockMs(const Session& session) { return session.soundOnUpdateClock ? elapsedMs : session.lastReadingMs; }

// Holds or frees the clock as the reasons to stand still come and go.
void holdPlayClockWhileStill(Session& session, long long steadyMs) {
    const bool still = standingStill(session);
    if (still == session.clock.still) return;
    if (still) {
        holdPlayClock(session.clock, session.lastReadingMs);
        hearStandingStill(soundClockMs(session));
    } else {
        resumePlayClock(session.clock, steadyMs);
    }
}

ReplayCommand keyInput(ReplayCommandKind kind, int key, int x, int y) {
    ReplayCommand c;
    c.kind = kind;
    c.key = key;
    c.x = x;
    c.y = y;
    return c;
}

PlayerAction actionOfKey(const Session& session, unsigned char key) {
    switch (key) {
        case 'p':
        case 'P':
            return PlayerAction::Pause;
        case 'n':
        case 'N':
            return session.watching ? PlayerAction::PassedOn : PlayerAction::NewGame;
        case 'm':
        case 'M':
            return PlayerAction::Sound;
        case 'h':
        case 'H':
            return session.watching ? PlayerAction::PassedOn : PlayerAction::Help;
        default:
            return PlayerAction::PassedOn;
    }
}

}  // namespace

void startSession(Session& session, GameState& game, long long steadyMs) {
    session.game = &game;
    session.clock = startPlayClock(steadyMs);
    session.lastReadingMs = 0;
}

bool standingStill(const Session& session) {
    return session.hidden || session.paused || session.helping || session.ended;
}

void runUpdate(Session& session, int clockMs) {
    updateGameAt(clockMs);
    ReplayCommand frame;
    frame.count = 1;
    frame.firstMs = elapsedMs;  // the reading the update ran with
    record(session, frame);
    ++session.frames;
    if (session.tracing && session.game)
        appendTraceLine(session.traceLines, session.frames, *session.game, session.traceBacteria);
    hearUpdate(soundClockMs(session));
}

void playUpdate(Session& session, long long steadyMs) {
    if (standingStill(session)) return;
    session.lastReadingMs = readPlayClock(session.clock, steadyMs);
    runUpdate(session, session.lastReadingMs);
}

void sendInput(Session& session, const ReplayCommand& input) {
    if (session.watching) return;
    // Releases always go on, so a press the game took never stays held.
    const bool release = (input.kind == ReplayCommandKind::Mouse && input.buttonState == glutLeftButtonUp) ||
                         input.kind == ReplayCommandKind::KeyUp || input.kind == ReplayCommandKind::SpecialUp;
    if ((session.paused || session.helping) && !release) return;
    record(session, input);
    deliverInput(input);
}

PlayerAction playerKey(Session& session, unsigned char key, int x, int y, long long steadyMs) {
    PlayerAction action = actionOfKey(session, key);
    if (session.helping) action = PlayerAction::HelpGone;
    if (session.endSignUp) action = PlayerAction::EndSignGone;
    switch (action) {
        case PlayerAction::Pause:
            setPaused(session, !session.paused, steadyMs);
            break;
        case PlayerAction::NewGame:
            newGame(session);
            setPaused(session, false, steadyMs);
            break;
        case PlayerAction::Sound:
            toggleSound();
            break;
        case PlayerAction::Help:
            setHelping(session, true, steadyMs);
            break;
        case PlayerAction::HelpGone:
            setHelping(session, false, steadyMs);
            break;
        case PlayerAction::EndSignGone:
            session.endSignUp = false;
            break;
        case PlayerAction::PassedOn:
            sendInput(session, keyInput(ReplayCommandKind::Key, key, x, y));
            return action;
    }
    session.takenKeys[key] = true;
    return action;
}

void playerKeyUp(Session& session, unsigned char key, int x, int y) {
    if (session.takenKeys[key]) {
        session.takenKeys[key] = false;
        return;
    }
    sendInput(session, keyInput(ReplayCommandKind::KeyUp, key, x, y));
}

PlayerAction playerSpecial(Session& session, int key, int x, int y, long long steadyMs, bool up) {
    const bool known = key >= 0 && key < 256;
    if (up && known && session.takenSpecials[key]) {
        session.takenSpecials[key] = false;
        return PlayerAction::PassedOn;
    }
    PlayerAction action = PlayerAction::PassedOn;
    if (!up && session.helping)
        action = PlayerAction::HelpGone;
    else if (!up && session.endSignUp)
        action = PlayerAction::EndSignGone;
    else if (!up && key == glutKeyF1 && !session.watching)
        action = PlayerAction::Help;
    if (action != PlayerAction::PassedOn) {
        if (action == PlayerAction::EndSignGone)
            session.endSignUp = false;
        else
            setHelping(session, action == PlayerAction::Help, steadyMs);
        if (known) session.takenSpecials[key] = true;
        return action;
    }
    sendInput(session, keyInput(up ? ReplayCommandKind::SpecialUp : ReplayCommandKind::Special, key, x, y));
    return PlayerAction::PassedOn;
}

PlayerAction playerPointer(Session& session, int x, int y, int button, int buttonState, long long steadyMs) {
    const bool helpGoes = session.helping && buttonState == glutButtonDown;
    if (helpGoes) setHelping(session, false, steadyMs);
    ReplayCommand c;
    c.kind = ReplayCommandKind::Mouse;
    c.button = button;
    c.buttonState = buttonState;
    c.x = x;
    c.y = y;
    sendInput(session, c);
    return helpGoes ? PlayerAction::HelpGone : PlayerAction::PassedOn;
}

void playerMove(Session& session, ReplayCommandKind kind, int x, int y) {
    ReplayCommand c;
    c.kind = kind;
    c.x = x;
    c.y = y;
    sendInput(session, c);
}

bool reshapeGame(Session& session, int width, int height) {
    ReplayCommand c;
    c.kind = ReplayCommandKind::Reshape;
    c.x = width;
    c.y = height;
    record(session, c);
    return onReshape(width, height);
}

void newGame(Session& session) {
    if (!session.game) return;
    ReplayCommand c;
    c.kind = ReplayCommandKind::Restart;
    record(session, c);
    restartGame(*session.game);
    hearAfresh();
}

void setPaused(Session& session, bool paused, long long steadyMs) {
    session.paused = paused;
    holdPlayClockWhileStill(session, steadyMs);
}

void setHelping(Session& session, bool helping, long long steadyMs) {
    session.helping = helping && !session.watching;
    holdPlayClockWhileStill(session, steadyMs);
}

void setHidden(Session& session, bool hidden, long long steadyMs) {
    session.hidden = hidden;
    holdPlayClockWhileStill(session, steadyMs);
}

void setEnded(Session& session, bool ended, long long steadyMs) {
    session.ended = ended;
    session.endSignUp = ended && session.watching;
    holdPlayClockWhileStill(session, steadyMs);
}

void deliverInput(const ReplayCommand& c) {
    switch (c.kind) {
        case ReplayCommandKind::Mouse:
            forwardMouse(c.button, c.buttonState, c.x, c.y);
            break;
        case ReplayCommandKind::Motion:
            forwardMotion(c.x, c.y);
            break;
        case ReplayCommandKind::Passive:
            forwardPassiveMotion(c.x, c.y);
            break;
        case ReplayCommandKind::Key:
            forwardKeyboard(static_cast<unsigned char>(c.key), c.x, c.y);
            break;
        case ReplayCommandKind::KeyUp:
            forwardKeyboardUp(static_cast<unsigned char>(c.key), c.x, c.y);
            break;
        case ReplayCommandKind::Special:
            forwardSpecial(c.key, c.x, c.y);
            break;
        case ReplayCommandKind::SpecialUp:
            forwardSpecialUp(c.key, c.x, c.y);
            break;
        case ReplayCommandKind::Frames:
        case ReplayCommandKind::Reshape:
        case ReplayCommandKind::Shot:
        case ReplayCommandKind::Restart:
            break;
    }
}

bool playScriptStep(Session& session, const ScriptStep& step) {
    switch (step.kind) {
        case ScriptStepKind::Frame:
            runUpdate(session, step.clockMs);
            return true;
        case ScriptStepKind::Input:
            deliverInput(*step.command);
            return true;
        case ScriptStepKind::Reshape:
            // The recorded window's size as the game's view; no window is asked.
            onReshape(step.command->x, step.command->y);
            return true;
        case ScriptStepKind::Restart:
            newGame(session);
            return true;
        case ScriptStepKind::Shot:
        case ScriptStepKind::End:
            break;
    }
    return false;
}

void drawSessionFrame(const Session& session) {
    drawSessionGame(session);
    drawSessionSigns(session);
}

void drawSessionGame(const Session&) { onDisplay(); }

void drawSessionSigns(const Session& session) {
    if (session.paused) drawPauseSign();
    if (session.helping) drawHelpSign();
    if (!session.watching) return;
    if (!session.ended)
        drawWatchLabel(session.watchSpeed, elapsedMs);
    else if (session.endSignUp)
        drawEndSign();
}
