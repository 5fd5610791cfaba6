// Tooth life: standing (bacteria move and drain health), falling for three
// seconds, gone. The box where bacteria live and food feeds never moves.
#include "game/tooth.h"

#include "core/frame_clock.h"
#include "core/view.h"
#include "game/bacterium.h"
#include "game/game_clock.h"

namespace {
constexpr const char* teethPicture = "img/teeth.tga";
constexpr int atlasColumns = 6;
constexpr float drainPerBacterium = 0.075f;  // health per second
constexpr float fallHealth = 2.0f;
constexpr float fallSpeed = 600;
constexpr float fallSeconds = 3.0f;
constexpr float healthPerBrushedBacterium = 1.25f;
constexpr float maxHealth = 100;
constexpr int firstBacteria = 2;

float clampHealth(float health) {
    if (health < 0) return 0;
    if (health > maxHealth) return maxHealth;
    return health;
}

void removeOldest(Tooth& tooth, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) destroyBacterium(tooth.bacteria[i]);
    tooth.bacteria.erase(tooth.bacteria.begin(), tooth.bacteria.begin() + static_cast<long>(count));
}
}  // namespace

Tooth* createTooth(const ToothLayout& layout) {
    auto* tooth = new Tooth;
    initSprite(tooth->sprite);
    // Room for the most bacteria a tooth can have, so feeding never reallocates.
    tooth->bacteria.reserve(maxBacteriaPerTooth);
    Sprite& s = tooth->sprite;
    s.texture = loadTexture(teethPicture);
    s.scale = {static_cast<float>(layout.width), static_cast<float>(layout.height), 1};
    // The centre is whole units: the halves are integer divisions.
    const int cx = layout.width / 2 + layout.pictureX - canvasWidth / 2;
    const int cy = canvasHeight / 2 - layout.pictureY - layout.height / 2;
    s.position = {static_cast<float>(cx), static_cast<float>(cy), 0};
    tooth->minX = static_cast<float>(cx) - 0.5f * static_cast<float>(layout.width);
    tooth->minY = static_cast<float>(cy) - 0.5f * static_cast<float>(layout.height);
    tooth->maxX = static_cast<float>(cx) + 0.5f * static_cast<float>(layout.width);
    tooth->maxY = static_cast<float>(cy) + 0.5f * static_cast<float>(layout.height);
    s.useTexMatrix = true;
    tooth->health = maxHealth;
    tooth->phaseStart = gameTime();
    s.texScale[0] = 1.0f / atlasColumns;
    s.texScale[1] = (static_cast<float>(layout.height) / static_cast<float>(layout.width)) / atlasColumns;
    s.texOffset[0] = static_cast<float>(layout.atlasColumn) / atlasColumns;
    s.texOffset[1] = static_cast<float>(layout.atlasRow) * 0.5f;
    for (int i = 0; i < firstBacteria; ++i) tooth->bacteria.push_back(createBacterium(*tooth));
    tooth->phase = Healthy;
    return tooth;
}

void destroyTooth(Tooth* tooth) {
    for (Bacterium* b : tooth->bacteria) destroyBacterium(b);
    destroySprite(tooth->sprite);
    delete tooth;
}

void updateTooth(Tooth& tooth) {
    if (tooth.phase == Healthy) {
        updateSwarm(tooth);
        const float n = static_cast<float>(tooth.bacteria.size());
        tooth.health = clampHealth(tooth.health - (frameDelta * drainPerBacterium) * n);
        tooth.sprite.color[0] = 1;
        tooth.sprite.color[1] = 1;
        tooth.sprite.color[2] = tooth.health / maxHealth;
        tooth.sprite.color[3] = 1;
        if (tooth.health < fallHealth) {
            tooth.phase = Falling;
            tooth.phaseStart = gameTime();
        }
    } else if (tooth.phase == Falling) {
        const float step = -fallSpeed * frameDelta;
        tooth.sprite.position.y = tooth.sprite.position.y + step;
        for (Bacterium* b : tooth.bacteria) b->sprite.position.y = b->sprite.position.y + step;
        if (gameTime() - tooth.phaseStart > fallSeconds) tooth.phase = Gone;
    }
}

void drawToothBacteria(const Tooth& tooth) {
    for (const Bacterium* b : tooth.bacteria) drawSprite(b->sprite);
}

void addBacterium(Tooth& tooth) {
    if (tooth.bacteria.size() >= maxBacteriaPerTooth) return;
    tooth.bacteria.push_back(createBacterium(tooth));
}

void brushTooth(Tooth& tooth) {
    const int n = static_cast<int>(tooth.bacteria.size());
    // The float 0.8 lies just above 0.8, so k is the whole part of 0.8 n; a
    // full tooth loses 98.
    const float share = 0.8f + 0.18f * static_cast<float>(n / 100);
    const int k = static_cast<int>(share * static_cast<float>(n));
    removeOldest(tooth, static_cast<std::size_t>(k));
    tooth.health = clampHealth(tooth.health + healthPerBrushedBacterium * static_cast<float>(k));
}

void drillTooth(Tooth& tooth) {
    removeOldest(tooth, tooth.bacteria.size());
    tooth.health = maxHealth;
}
