// Game state lifecycle, drawing and the per-frame rules. The order of the
// update decides which random draws each step receives, so it is fixed:
// feeding, brush and its strike, drill and its strike, standing teeth, falling teeth.
#include "game/game_state.h"

#include <algorithm>

#include "game/bacterium.h"
#include "game/random.h"

const Vec3 foodStart[foodCount] = {{-75, 250, 0}, {0, 250, 0}, {75, 250, 0}};

namespace {
constexpr const char* backgroundPicture = "img/bg.tga";
constexpr float backgroundSize = 800;

void destroyAll(std::vector<Tooth*>& teeth) {
    for (Tooth* tooth : teeth) destroyTooth(tooth);
    teeth.clear();
}
}  // namespace

GameState::GameState() {
    name = "LiveGame";
    initSprite(background);
    buildBrush(brush);
    buildDrill(drill);
    for (Food& item : food) buildFood(item);
    heldFood = -1;
}

GameState::~GameState() {
    for (int i = foodCount - 1; i >= 0; --i) destroyFood(food[i]);
    destroyTool(drill);
    destroyTool(brush);
    // Teeth still standing or falling go too, so nothing leaks.
    destroyAll(fallingTeeth);
    destroyAll(teeth);
    destroySprite(background);
}

bool GameState::enter(State*) {
    // Room for every tooth in either list, so moving one never reallocates.
    teeth.reserve(teeth.size() + toothCount);
    for (const ToothLayout& layout : toothLayouts) teeth.push_back(createTooth(layout));
    fallingTeeth.reserve(teeth.size());

    releaseTexture(background.texture);
    background.texture = loadTexture(backgroundPicture);
    background.scale = {backgroundSize, backgroundSize, backgroundSize};

    // Fresh tools restart both timelines from now; each new tool takes its
    // reference before the old one gives its back, so no picture is reloaded.
    Tool fresh;
    buildBrush(fresh);
    destroyTool(brush);
    brush = fresh;
    buildDrill(fresh);
    destroyTool(drill);
    drill = fresh;

    resetFood();
    return true;
}

bool GameState::leave(State*) {
    destroyAll(teeth);
    destroyAll(fallingTeeth);
    return true;
}

void GameState::resetFood() {
    for (int i = 0; i < foodCount; ++i) food[i].sprite.position = foodStart[i];
}

void GameState::render() {
    drawSprite(background);
    for (const Tooth* tooth : teeth) {
        drawSprite(tooth->sprite);
        drawToothBacteria(*tooth);
    }
    for (const Tooth* tooth : fallingTeeth) {
        drawSprite(tooth->sprite);
        drawToothBacteria(*tooth);
    }
    for (const Food& item : food) drawSprite(item.sprite);
    drawSprite(brush.sprite);
    drawSprite(drill.sprite);
}

void GameState::update() {
    for (Food& item : food) feedTeeth(teeth, item);

    updateBrush(brush);
    if (brush.struck) {
        brush.struck = false;
        resetFood();
        for (Tooth* tooth : teeth) brushTooth(*tooth);
    }

    updateDrill(drill);
    if (drill.struck) {
        drill.struck = false;
        resetFood();
        // With no tooth standing there is nothing to drill and nothing is drawn.
        if (!teeth.empty()) {
            const unsigned int pick = static_cast<unsigned int>(nextRandom()) % teeth.size();
            drillTooth(*teeth[pick]);
        }
    }

    // A tooth that starts to fall here joins the falling list before the pass
    // below, so it is updated twice in this frame.
    for (std::size_t p = 0; p < teeth.size();) {
        Tooth* tooth = teeth[p];
        updateTooth(*tooth);
        if (tooth->phase > Healthy) {
            fallingTeeth.push_back(tooth);
            teeth.erase(teeth.begin() + static_cast<long>(p));
        } else {
            ++p;
        }
    }
    for (std::size_t p = 0; p < fallingTeeth.size();) {
        Tooth* tooth = fallingTeeth[p];
        updateTooth(*tooth);
        if (tooth->phase > Falling) {
            destroyTooth(tooth);
            fallingTeeth.erase(fallingTeeth.begin() + static_cast<long>(p));
        } else {
            ++p;
        }
    }
}

namespace {

// The pictures the teeth and the mouth hold, one more reference each, so that
// the new game finds them loaded instead of reading them again.
std::vector<TextureHandle*> holdPictures(const GameState& game) {
    std::vector<TextureHandle*> held;
    const auto hold = [&held](TextureHandle* handle) {
        if (!handle || std::find(held.begin(), held.end(), handle) != held.end()) return;
        ++handle->refCount;
        held.push_back(handle);
    };
    hold(game.background.texture);
    for (const std::vector<Tooth*>* list : {&game.teeth, &game.fallingTeeth})
        for (const Tooth* tooth : *list) {
            hold(tooth->sprite.texture);
            for (const Bacterium* bacterium : tooth->bacteria) hold(bacterium->sprite.texture);
        }
    return held;
}

}  // namespace

void restartGame(GameState& game) {
    const std::vector<TextureHandle*> held = holdPictures(game);
    game.leave(nullptr);
    game.heldFood = -1;
    game.enter(nullptr);
    for (TextureHandle* handle : held) releaseTexture(handle);
}
