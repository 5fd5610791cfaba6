// Strikes are read from the tools' phases: the update raises struck and
// lowers it again before anyone outside can look, but a strike always turns
// the tool to leaving in that same update.
#include "audio/sound_cues.h"

#include "game/game_clock.h"
#include "game/game_state.h"
#include "game/tool.h"
#include "game/tooth.h"

namespace {

int indexOf(const Tooth* const* list, int count, const Tooth* tooth) {
    for (int i = 0; i < count; ++i)
        if (list[i] == tooth) return i;
    return -1;
}

}  // namespace

void takeSoundView(const GameState& game, SoundView& view) {
    view.heldFood = game.heldFood;
    view.brushPhase = game.brush.phase;
    view.brushScrubLeft = game.brush.phase == Brushing ? game.brush.phaseEnd - gameTime() : 0;
    view.drillPhase = game.drill.phase;
    view.bacteriaOnScreen = 0;
    view.standingCount = 0;
    for (const Tooth* tooth : game.teeth) {
        if (view.standingCount == toothCount) break;  // the game never has more
        view.standing[view.standingCount] = tooth;
        view.bacteria[view.standingCount] = static_cast<int>(tooth->bacteria.size());
        ++view.standingCount;
        view.bacteriaOnScreen += static_cast<int>(tooth->bacteria.size());
    }
    view.fallingCount = 0;
    for (const Tooth* tooth : game.fallingTeeth) {
        if (view.fallingCount == toothCount) break;
        view.falling[view.fallingCount++] = tooth;
        view.bacteriaOnScreen += static_cast<int>(tooth->bacteria.size());
    }
}

SoundCues compareSoundViews(const SoundView& before, const SoundView& after) {
    SoundCues cues;
    cues.pickUp = before.heldFood < 0 && after.heldFood >= 0;
    cues.putDown = before.heldFood >= 0 && after.heldFood < 0;

    // A tooth still standing that holds more bacteria than before has had
    // them born; one the brush or the drill emptied has none.
    for (int i = 0; i < after.standingCount; ++i) {
        const int was = indexOf(before.standing, before.standingCount, after.standing[i]);
        if (was >= 0 && after.bacteria[i] > before.bacteria[was])
            cues.births += after.bacteria[i] - before.bacteria[was];
    }
    for (int i = 0; i < after.fallingCount; ++i)
        if (indexOf(before.falling, before.fallingCount, after.falling[i]) < 0) ++cues.cracks;
    for (int i = 0; i < before.fallingCount; ++i)
        if (indexOf(after.falling, after.fallingCount, before.falling[i]) < 0) ++cues.thuds;

    const bool brushMoved = before.brushPhase != after.brushPhase;
    cues.brushIn = brushMoved && after.brushPhase == BrushEntering;
    cues.brushStrike = brushMoved && before.brushPhase == Brushing && after.brushPhase == BrushLeaving;
    cues.brushOut = brushMoved && after.brushPhase == BrushLeaving;
    const bool drillMoved = before.drillPhase != after.drillPhase;
    cues.drillStrike = drillMoved && before.drillPhase == DrillEntering && after.drillPhase == DrillLeaving;
    cues.drillOut = drillMoved && after.drillPhase == DrillLeaving;

    cues.brushScrubbing = after.brushPhase == Brushing;
    cues.brushScrubLeft = after.brushScrubLeft;
    cues.brushVisiting = after.brushPhase != BrushWaiting;
    cues.drillWhirring = after.drillPhase == DrillEntering;
    cues.bacteriaOnScreen = after.bacteriaOnScreen;
    return cues;
}
