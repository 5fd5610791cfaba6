// Trace writing, keys in a fixed order, shared by the game (--trace) and the
// replay. Built in a reused string so a long run costs no allocation per frame
// once the string has grown.
#include "recording/game_trace.h"

#include <cstdio>

#include "core/frame_clock.h"
#include "game/bacterium.h"
#include "game/game_state.h"
#include "game/random.h"

namespace {

void appendFloat(std::string& out, float value) {
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    out.append(text, static_cast<std::size_t>(length));
}

void appendInt(std::string& out, long long value) {
    char text[24];
    const int length = std::snprintf(text, sizeof text, "%lld", value);
    out.append(text, static_cast<std::size_t>(length));
}

void appendTooth(std::string& out, const Tooth& tooth, bool withBacteria) {
    out += "{\"x\":";
    appendFloat(out, tooth.sprite.position.x);
    out += ",\"y\":";
    appendFloat(out, tooth.sprite.position.y);
    out += ",\"health\":";
    appendFloat(out, tooth.health);
    out += ",\"phase\":";
    appendInt(out, tooth.phase);
    out += ",\"phaseStart\":";
    appendFloat(out, tooth.phaseStart);
    out += ",\"n\":";
    appendInt(out, static_cast<long long>(tooth.bacteria.size()));
    if (withBacteria) {
        out += ",\"bacteria\":[";
        for (std::size_t i = 0; i < tooth.bacteria.size(); ++i) {
            const Sprite& s = tooth.bacteria[i]->sprite;
            out += i ? ",[" : "[";
            appendFloat(out, s.position.x);
            out += ',';
            appendFloat(out, s.position.y);
            out += ',';
            appendFloat(out, s.angle);
            out += ']';
        }
        out += ']';
    }
    out += '}';
}

void appendTeeth(std::string& out, const std::vector<Tooth*>& teeth, bool withBacteria) {
    out += '[';
    for (std::size_t i = 0; i < teeth.size(); ++i) {
        if (i) out += ',';
        appendTooth(out, *teeth[i], withBacteria);
    }
    out += ']';
}

void appendTool(std::string& out, const Tool& tool) {
    out += "{\"x\":";
    appendFloat(out, tool.sprite.position.x);
    out += ",\"phase\":";
    appendInt(out, tool.phase);
    out += ",\"phaseStart\":";
    appendFloat(out, tool.phaseStart);
    out += ",\"phaseEnd\":";
    appendFloat(out, tool.phaseEnd);
    out += tool.struck ? ",\"struck\":true}" : ",\"struck\":false}";
}

}  // namespace

void appendTraceLine(std::string& out, long long frame, const GameState& game, bool withBacteria) {
    out += "{\"frame\":";
    appendInt(out, frame);
    out += ",\"elapsedMs\":";
    appendInt(out, elapsedMs);
    out += ",\"frameDelta\":";
    appendFloat(out, frameDelta);
    out += ",\"rng\":";
    appendInt(out, randomState);
    out += ",\"heldFood\":";
    appendInt(out, game.heldFood);
    out += ",\"teeth\":";
    appendTeeth(out, game.teeth, withBacteria);
    out += ",\"falling\":";
    appendTeeth(out, game.fallingTeeth, withBacteria);
    out += ",\"brush\":";
    appendTool(out, game.brush);
    out += ",\"drill\":";
    appendTool(out, game.drill);
    out += ",\"food\":[";
    for (int i = 0; i < foodCount; ++i) {
        const Food& item = game.food[i];
        out += i ? ",{\"x\":" : "{\"x\":";
        appendFloat(out, item.sprite.position.x);
        out += ",\"y\":";
        appendFloat(out, item.sprite.position.y);
        out += ",\"nextFeed\":";
        appendFloat(out, item.nextFeed);
        out += '}';
    }
    out += "]}\n";
}
