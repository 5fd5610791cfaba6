// The playing field: background, teeth with their bacteria, brush, drill and
// three pieces of food, and which food the player is dragging.
#pragma once
#include <vector>

#include "core/state.h"
#include "game/food.h"
#include "game/tool.h"
#include "game/tooth.h"
#include "gfx/sprite.h"

constexpr int foodCount = 3;
extern const Vec3 foodStart[foodCount];

struct CanvasPoint {
    int x;
    int y;
};

// Window pixels (origin top-left, y down) to whole canvas units (origin at the
// centre, y up), clamped to the canvas.
CanvasPoint toCanvas(int x, int y);

struct GameState : State {
    Sprite background;
    std::vector<Tooth*> teeth;         // standing, in layout order
    std::vector<Tooth*> fallingTeeth;  // in the order they began to fall
    Tool brush;
    Tool drill;
    Food food[foodCount];
    int heldFood = -1;

    GameState();
    ~GameState() override;
    GameState(const GameState&) = delete;
    GameState& operator=(const GameState&) = delete;

    bool enter(State* previous) override;
    bool leave(State* next) override;
    void render() override;
    void update() override;
    void onMouse(int button, int state, int x, int y) override;
    void onMotion(int x, int y) override;

    void resetFood();
};

// A new game in the same state: every tooth whole again with two bacteria,
// the food back at its start and nothing held, the brush and the drill timed
// from now. The random sequence runs on: each new game differs.
void restartGame(GameState& game);
