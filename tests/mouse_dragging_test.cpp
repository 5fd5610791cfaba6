// Mouse input: window pixels to canvas units, picking up, dragging and
// dropping food.
#include <gtest/gtest.h>

#include <climits>

#include "tests/game_fixture.h"

namespace {

using MouseDragging = GameTest;

constexpr int left = 0, middle = 1, right = 2, down = 0, up = 1;

TEST_F(MouseDragging, PixelsMapToCanvasUnits) {
    const struct {
        int width, x, y, cx, cy;
    } cases[] = {
        {800, 0, 0, -400, 300},
        {800, 400, 300, 0, 0},
        {800, 799, 599, 399, -299},
        {1000, 499, 375, 0, 0},
        {1000, 501, 375, 0, 0},
        {1000, 1000, 750, 400, -300},
        {800, 5000, -5000, 400, 300},
        {800, -5000, 5000, -400, -300},
        {800, INT_MAX, INT_MIN, 400, 300},
        {800, INT_MIN, INT_MAX, -400, -300},
        // 290 x 800 / 464 is exactly 500; dividing 800 by 464 first lands just below.
        {464, 290, 290, 100, -200},
    };
    for (const auto& c : cases) {
        viewSettings.width = c.width;
        const CanvasPoint p = toCanvas(c.x, c.y);
        EXPECT_EQ(p.x, c.cx) << c.width << ": " << c.x << "," << c.y;
        EXPECT_EQ(p.y, c.cy) << c.width << ": " << c.x << "," << c.y;
    }
}

TEST_F(MouseDragging, LeftPressOnTheEdgePicksUpAndDragMovesTheCentre) {
    // Food 1 sits at (0, 250), 50 wide: its left edge is canvas x -25, pixel 375.
    game->onMouse(left, down, 375, 50);
    EXPECT_EQ(game->heldFood, 1);
    game->onMotion(100, 500);
    EXPECT_EQ(game->food[1].sprite.position.x, -300);
    EXPECT_EQ(game->food[1].sprite.position.y, -200);
    game->onMotion(2000, -40);
    EXPECT_EQ(game->food[1].sprite.position.x, 400) << "pinned at the right edge";
    EXPECT_EQ(game->food[1].sprite.position.y, 300) << "pinned at the top edge";
    game->onMouse(left, up, 0, 0);
    EXPECT_EQ(game->heldFood, -1);
    game->onMotion(400, 300);
    EXPECT_EQ(game->food[1].sprite.position.x, 400);
}

TEST_F(MouseDragging, OverlappingItemsGiveTheTopOne) {
    game->food[0].sprite.position = {100, 0, 0};
    game->food[2].sprite.position = {110, 0, 0};
    game->onMouse(left, down, 505, 300);
    EXPECT_EQ(game->heldFood, 2);
}

TEST_F(MouseDragging, PressOnEmptyCanvasHoldsNothing) {
    game->onMouse(left, down, 400, 300);
    EXPECT_EQ(game->heldFood, -1);
    game->onMotion(10, 10);
    for (int i = 0; i < foodCount; ++i) EXPECT_EQ(game->food[i].sprite.position.y, 250);
}

TEST_F(MouseDragging, OtherButtonsNeverPickUpButTheirReleaseDrops) {
    for (int button : {middle, right, 3, 7, -1}) {
        game->onMouse(button, down, 400, 50);
        EXPECT_EQ(game->heldFood, -1) << button;
    }
    game->onMouse(left, down, 400, 50);
    EXPECT_EQ(game->heldFood, 1);
    game->onMouse(right, up, 400, 50);
    EXPECT_EQ(game->heldFood, -1);
}

TEST_F(MouseDragging, PassiveMotionMovesNothing) {
    game->onMouse(left, down, 400, 50);
    forwardPassiveMotion(10, 10);
    EXPECT_EQ(game->food[1].sprite.position.x, 0);
    forwardMotion(10, 10);
    EXPECT_EQ(game->food[1].sprite.position.x, -390);
}

TEST_F(MouseDragging, KeysDoNothing) {
    forwardKeyboard('a', 400, 50);
    forwardSpecial(100, 400, 50);
    EXPECT_EQ(game->heldFood, -1);
    EXPECT_EQ(game->food[1].sprite.position.x, 0);
}

TEST_F(MouseDragging, DraggedFoodBreedsBacteriaOnTheTooth) {
    for (Tooth* t : game->teeth) drillTooth(*t);
    game->onMouse(left, down, 400, 50);
    game->onMotion(93, 218);  // canvas (-307, 82): the first tooth's centre
    framesUntil(1016, 16);
    EXPECT_EQ(game->teeth[0]->bacteria.size(), 4u);
}

}  // namespace
