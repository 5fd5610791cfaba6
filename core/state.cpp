// State defaults, the switch and the input forwarding.
#include "core/state.h"

State* currentState = nullptr;

bool State::enter(State*) { return true; }
bool State::canLeave(State*) { return true; }
bool State::leave(State*) { return true; }

void switchState(State& next) {
    State* old = currentState;
    if (old && !old->canLeave(&next)) return;
    next.enter(old);
    // Assigned only after enter, so enter still sees the previous state as current.
    currentState = &next;
}

void forwardMouse(int button, int state, int x, int y) {
    if (currentState) currentState->onMouse(button, state, x, y);
}
void forwardMotion(int x, int y) {
    if (currentState) currentState->onMotion(x, y);
}
void forwardPassiveMotion(int x, int y) {
    if (currentState) currentState->onPassiveMotion(x, y);
}
void forwardKeyboard(unsigned char key, int x, int y) {
    if (currentState) currentState->onKeyboard(key, x, y);
}
void forwardKeyboardUp(unsigned char key, int x, int y) {
    if (currentState) currentState->onKeyboardUp(key, x, y);
}
void forwardSpecial(int key, int x, int y) {
    if (currentState) currentState->onSpecial(key, x, y);
}
void forwardSpecialUp(int key, int x, int y) {
    if (currentState) currentState->onSpecialUp(key, x, y);
}
