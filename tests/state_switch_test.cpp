// Switching screens and forwarding input to the current one.
#include <gtest/gtest.h>

#include <string>

#include "core/state.h"
#include "session/frame_loop.h"
#include "tests/test_support.h"

namespace {

struct ScriptedState : State {
    bool allowLeave = true;
    bool enterResult = true;
    State* enteredFrom = reinterpret_cast<State*>(1);
    State* currentDuringEnter = reinterpret_cast<State*>(1);
    int enters = 0, leaves = 0;
    std::vector<std::string> events;

    bool enter(State* previous) override {
        ++enters;
        enteredFrom = previous;
        currentDuringEnter = currentState;
        return enterResult;
    }
    bool canLeave(State*) override { return allowLeave; }
    bool leave(State*) override {
        ++leaves;
        return true;
    }
    void onMouse(int b, int s, int x, int y) override { note("mouse", {b, s, x, y}); }
    void onMotion(int x, int y) override { note("motion", {x, y}); }
    void onPassiveMotion(int x, int y) override { note("passive", {x, y}); }
    void onKeyboard(unsigned char k, int x, int y) override { note("key", {k, x, y}); }
    void onKeyboardUp(unsigned char k, int x, int y) override { note("keyup", {k, x, y}); }
    void onSpecial(int k, int x, int y) override { note("special", {k, x, y}); }
    void onSpecialUp(int k, int x, int y) override { note("specialup", {k, x, y}); }

    void note(const char* what, std::initializer_list<int> args) {
        std::string text = what;
        for (int a : args) text += " " + std::to_string(a);
        events.push_back(text);
    }
};

void sendEveryInput() {
    forwardMouse(0, 1, 10, 20);
    forwardMotion(-3, 700);
    forwardPassiveMotion(5, 6);
    forwardKeyboard('q', 7, 8);
    forwardKeyboardUp('q', 9, 10);
    forwardSpecial(101, 11, 12);
    forwardSpecialUp(101, 13, 14);
}

class StateSwitch : public ::testing::Test {
protected:
    void SetUp() override { resetGameGlobals(); }
    void TearDown() override { currentState = nullptr; }
};

TEST_F(StateSwitch, FirstStateIsEnteredWithNullAndBecomesCurrentAfterEnter) {
    ScriptedState first;
    switchState(first);
    EXPECT_EQ(first.enters, 1);
    EXPECT_EQ(first.enteredFrom, nullptr);
    EXPECT_EQ(first.currentDuringEnter, nullptr);
    EXPECT_EQ(currentState, &first);
}

TEST_F(StateSwitch, RefusedLeaveKeepsTheOldStateAndNeverEntersTheNew) {
    ScriptedState first, second;
    switchState(first);
    first.allowLeave = false;
    switchState(second);
    EXPECT_EQ(currentState, &first);
    EXPECT_EQ(second.enters, 0);
}

TEST_F(StateSwitch, AcceptedSwitchPassesTheOldStateAndNeverLeavesIt) {
    ScriptedState first, second;
    switchState(first);
    switchState(second);
    EXPECT_EQ(currentState, &second);
    EXPECT_EQ(second.enteredFrom, &first);
    EXPECT_EQ(second.currentDuringEnter, &first);
    EXPECT_EQ(first.leaves, 0);
}

TEST_F(StateSwitch, FalseEnterStillBecomesCurrent) {
    ScriptedState first;
    first.enterResult = false;
    switchState(first);
    EXPECT_EQ(currentState, &first);
}

TEST_F(StateSwitch, InputReachesTheCurrentStateUnchanged) {
    ScriptedState first;
    switchState(first);
    sendEveryInput();
    EXPECT_EQ(first.events, (std::vector<std::string>{"mouse 0 1 10 20", "motion -3 700", "passive 5 6", "key 113 7 8",
                                                      "keyup 113 9 10", "special 101 11 12", "specialup 101 13 14"}));
}

TEST_F(StateSwitch, InputWithoutAStateGoesNowhere) {
    ScriptedState bystander;
    sendEveryInput();
    updateGameAt(16);
    EXPECT_TRUE(bystander.events.empty());
}

TEST_F(StateSwitch, BaseStateDefaultsAcceptEverythingAndDoNothing) {
    State plain;
    EXPECT_TRUE(plain.enter(nullptr));
    EXPECT_TRUE(plain.canLeave(nullptr));
    EXPECT_TRUE(plain.leave(nullptr));
    switchState(plain);
    sendEveryInput();
    updateGameAt(16);
    onDisplay();
    EXPECT_EQ(currentState, &plain);
}

}  // namespace
