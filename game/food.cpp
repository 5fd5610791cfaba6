// Feeding. The timer runs whether or not the food lies on a tooth, so food
// dropped on a tooth feeds it within one period.
#include "game/food.h"

#include "game/game_clock.h"
#include "game/tooth.h"

namespace {
constexpr const char* foodPicture = "img/food.tga";
constexpr float foodSize = 50;
constexpr float foodAlpha = 0.8f;
constexpr float feedPeriod = 0.25f;
}  // namespace

void buildFood(Food& food) {
    food = Food{};
    initSprite(food.sprite);
    food.sprite.scale = {foodSize, foodSize, 1};
    food.sprite.texture = loadTexture(foodPicture);
    food.sprite.color[3] = foodAlpha;
}

void destroyFood(Food& food) { destroySprite(food.sprite); }

void feedTeeth(std::vector<Tooth*>& teeth, Food& food) {
    const float t = gameTime();
    if (!(food.nextFeed < t)) return;
    const int x = static_cast<int>(food.sprite.position.x);
    const int y = static_cast<int>(food.sprite.position.y);
    for (std::size_t i = 0; i < teeth.size(); ++i) {
        Tooth& tooth = *teeth[i];
        const float fx = static_cast<float>(x);
        const float fy = static_cast<float>(y);
        if (tooth.minX <= fx && fx <= tooth.maxX && tooth.minY <= fy && fy <= tooth.maxY) addBacterium(tooth);
    }
    food.nextFeed = t + feedPeriod;
}
