// The screen interface: every GLUT callback reaches the game through the
// current State. Each operation has a harmless default so a screen overrides
// only what it uses.
#pragma once

struct State {
    const char* name = "";

    virtual ~State() = default;
    virtual bool enter(State* previous);
    virtual bool canLeave(State* next);
    virtual bool leave(State* next);
    virtual void render() {}
    virtual void update() {}
    virtual void onMouse(int, int, int, int) {}
    virtual void onMotion(int, int) {}
    virtual void onPassiveMotion(int, int) {}
    virtual void onKeyboard(unsigned char, int, int) {}
    virtual void onKeyboardUp(unsigned char, int, int) {}
    virtual void onSpecial(int, int, int) {}
    virtual void onSpecialUp(int, int, int) {}
};

// Not owning: the state belongs to whoever created it.
extern State* currentState;

// Makes next current unless the current state refuses to be left. The old
// state is neither left nor destroyed; enter's result is not acted upon.
void switchState(State& next);

// GLUT input callbacks: pass the event on, unchanged, to the current state.
void forwardMouse(int button, int state, int x, int y);
void forwardMotion(int x, int y);
void forwardPassiveMotion(int x, int y);
void forwardKeyboard(unsigned char key, int x, int y);
void forwardKeyboardUp(unsigned char key, int x, int y);
void forwardSpecial(int key, int x, int y);
void forwardSpecialUp(int key, int x, int y);
