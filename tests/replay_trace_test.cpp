// The replay's trace against values worked out from the game's rules: the
// start of the game, where the first bacteria are made, and their first step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/replay_test_support.h"

namespace {

using Keys = std::vector<std::string>;

// Every trace number is a float printed with nine digits, so it reads back exactly.
const float firstDelta = static_cast<float>(16 / 1000.0);

TEST(ReplayTrace, TheFirstFrameHoldsTheGameAsItStarts) {
    const ReplayRun run = runReplay("frame 16\n");
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 1u);
    const Json f = parseJson(run.lines[0]);

    EXPECT_EQ(f.keys(), (Keys{"frame", "elapsedMs", "frameDelta", "rng", "heldFood", "teeth", "falling", "brush",
                              "drill", "food"}));
    EXPECT_EQ(f["frame"].asInt(), 1);
    EXPECT_EQ(f["elapsedMs"].asInt(), 16);
    EXPECT_EQ(f["frameDelta"].asFloat(), firstDelta);
    // Eleven teeth of two bacteria, four draws each to make them, then two each to move them once.
    RandomSequence random;
    random.skip(11 * 2 * 4 + 11 * 2 * 2);
    EXPECT_EQ(random.state, 75413397u);
    EXPECT_EQ(f["rng"].number, random.state);
    EXPECT_EQ(f["heldFood"].asInt(), -1);

    const Json& teeth = f["teeth"];
    ASSERT_EQ(teeth.size(), 11u);
    // Two bacteria drain 0.075 a second each for 16 ms.
    const float health = 100.0f - (firstDelta * 0.075f) * 2.0f;
    for (std::size_t i = 0; i < 11; ++i) {
        SCOPED_TRACE("tooth " + std::to_string(i));
        const Json& tooth = teeth[i];
        EXPECT_EQ(tooth.keys(), (Keys{"x", "y", "health", "phase", "phaseStart", "n"}));
        EXPECT_EQ(tooth["x"].asFloat(), toothRows[i].centreX());
        EXPECT_EQ(tooth["y"].asFloat(), toothRows[i].centreY());
        EXPECT_FLOAT_EQ(tooth["health"].asFloat(), health);
        EXPECT_EQ(tooth["phase"].asInt(), 0);
        EXPECT_EQ(tooth["phaseStart"].asFloat(), 0.0f);
        EXPECT_EQ(tooth["n"].asInt(), 2);
    }
    EXPECT_EQ(teeth[0]["x"].asFloat(), -307.0f);
    EXPECT_EQ(teeth[0]["y"].asFloat(), 82.0f);
    EXPECT_EQ(f["falling"].type, Json::Array);
    EXPECT_EQ(f["falling"].size(), 0u);

    struct ToolStart {
        const char* name;
        float x;
        float wait;
    };
    for (const ToolStart tool : {ToolStart{"brush", -900, 15}, ToolStart{"drill", 900, 25}}) {
        SCOPED_TRACE(tool.name);
        const Json& t = f[tool.name];
        EXPECT_EQ(t.keys(), (Keys{"x", "phase", "phaseStart", "phaseEnd", "struck"}));
        EXPECT_EQ(t["x"].asFloat(), tool.x);
        EXPECT_EQ(t["phase"].asInt(), 0);
        EXPECT_EQ(t["phaseStart"].asFloat(), 0.0f);
        EXPECT_EQ(t["phaseEnd"].asFloat(), tool.wait);
        EXPECT_EQ(t["struck"].type, Json::Boolean);
        EXPECT_FALSE(t["struck"].boolean);
    }

    const Json& food = f["food"];
    ASSERT_EQ(food.size(), 3u);
    const float startX[3] = {-75, 0, 75};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(food[i].keys(), (Keys{"x", "y", "nextFeed"}));
        EXPECT_EQ(food[i]["x"].asFloat(), startX[i]);
        EXPECT_EQ(food[i]["y"].asFloat(), 250.0f);
        // The timer starts at 0, so the first frame runs it and sets the next quarter second.
        EXPECT_EQ(food[i]["nextFeed"].asFloat(), firstDelta + 0.25f);
    }
}

TEST(ReplayTrace, BacteriaAreListedOnlyWhenAskedFor) {
    const ReplayRun plain = runReplay("frame 16\n");
    const ReplayRun full = runReplay("frame 16\n", "--bacteria");
    ASSERT_EQ(plain.lines.size(), 1u);
    ASSERT_EQ(full.lines.size(), 1u);
    const Json without = parseJson(plain.lines[0]);
    const Json with = parseJson(full.lines[0]);
    EXPECT_FALSE(without["teeth"][0].has("bacteria"));
    EXPECT_EQ(with["teeth"][0].keys(), (Keys{"x", "y", "health", "phase", "phaseStart", "n", "bacteria"}));
    EXPECT_EQ(with["teeth"][0]["bacteria"].size(), 2u);
    EXPECT_EQ(with["teeth"][0]["bacteria"][1].size(), 3u);
    // Listing the bacteria changes nothing else.
    EXPECT_EQ(with["rng"].number, without["rng"].number);
    EXPECT_EQ(with["teeth"][10]["health"].number, without["teeth"][10]["health"].number);
}

// A frame at 0 ms has a step of 0: every bacterium draws its jitter but moves
// nowhere, so the trace shows them exactly where they were made.
TEST(ReplayTrace, TheFirstBacteriaLieWhereTheirDrawsPutThem) {
    const ReplayRun run = runReplay("frame 0\n", "--bacteria");
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 1u);
    const Json f = parseJson(run.lines[0]);
    EXPECT_EQ(f["frameDelta"].asFloat(), 0.0f);

    RandomSequence random;
    for (std::size_t i = 0; i < 11; ++i) {
        const ToothRow& row = toothRows[i];
        const float w = static_cast<float>(row.width);
        const float h = static_cast<float>(row.height);
        const Json& bacteria = f["teeth"][i]["bacteria"];
        ASSERT_EQ(bacteria.size(), 2u);
        for (std::size_t b = 0; b < 2; ++b) {
            SCOPED_TRACE("tooth " + std::to_string(i) + " bacterium " + std::to_string(b));
            // x across the whole width, then y from the centre down to the lower edge, then the velocity.
            const float x = row.centreX() + random.nextUnit() * w - 0.5f * w;
            const float y = row.centreY() - random.nextUnit() * h * 0.5f;
            random.skip(2);
            EXPECT_FLOAT_EQ(bacteria[b][0].asFloat(), x);
            EXPECT_FLOAT_EQ(bacteria[b][1].asFloat(), y);
            EXPECT_EQ(bacteria[b][2].asFloat(), 0.0f) << "no movement, so no heading";
            EXPECT_GE(bacteria[b][0].asFloat(), row.centreX() - w / 2);
            EXPECT_LE(bacteria[b][0].asFloat(), row.centreX() + w / 2);
            EXPECT_GE(bacteria[b][1].asFloat(), row.centreY() - h / 2);
            EXPECT_LE(bacteria[b][1].asFloat(), row.centreY());
        }
    }
    // The tooth of the first row: x from -360.5 to -253.5, y from -26.5 to 82.
    const Json& first = f["teeth"][0]["bacteria"][0];
    EXPECT_GE(first[0].asFloat(), -360.5f);
    EXPECT_LE(first[0].asFloat(), -253.5f);
    EXPECT_GE(first[1].asFloat(), -26.5f);
    EXPECT_LE(first[1].asFloat(), 82.0f);
    random.skip(44);
    EXPECT_EQ(f["rng"].number, random.state);
}

struct Point {
    double x = 0, y = 0;
};

// The two bacteria of the first tooth after one 16 ms frame, worked in double
// precision from their rules: a pull of 50 per unit towards the tooth's centre,
// a push of 200 / distance^2 from each other bacterium, a jitter of -50..50 on
// each axis, mass 1000, then confinement to the tooth's box. They move in list
// order, the second seeing the first already moved.
TEST(ReplayTrace, TheFirstStepOfABacteriumFollowsPullPushAndJitter) {
    const ReplayRun run = runReplay("frame 16\n", "--bacteria");
    ASSERT_EQ(run.lines.size(), 1u);
    const Json f = parseJson(run.lines[0]);

    const ToothRow& row = toothRows[0];
    const Point centre{row.centreX(), row.centreY()};
    RandomSequence random;
    Point position[2], velocity[2];
    for (int b = 0; b < 2; ++b) {
        position[b].x = centre.x + random.nextUnit() * row.width - 0.5 * row.width;
        position[b].y = centre.y - random.nextUnit() * row.height * 0.5;
        velocity[b].x = 10.0 * random.nextUnit() - 5.0;
        velocity[b].y = 10.0 * random.nextUnit() - 5.0;
    }
    random.skip(80);  // the other ten teeth's bacteria

    const double dt = 0.016;
    for (int b = 0; b < 2; ++b) {
        Point force{50 * (centre.x - position[b].x), 50 * (centre.y - position[b].y)};
        const Point other = position[1 - b];
        const double rx = position[b].x - other.x, ry = position[b].y - other.y;
        const double d2 = rx * rx + ry * ry;
        force.x += rx / std::sqrt(d2) * 200 / d2;
        force.y += ry / std::sqrt(d2) * 200 / d2;
        force.x += 100 * random.nextUnit() - 50;
        force.y += 100 * random.nextUnit() - 50;
        velocity[b].x += force.x / 1000 * dt;
        velocity[b].y += force.y / 1000 * dt;
        const Point before = position[b];
        position[b].x =
            std::clamp(position[b].x + velocity[b].x * dt, centre.x - row.width / 2.0, centre.x + row.width / 2.0);
        position[b].y =
            std::clamp(position[b].y + velocity[b].y * dt, centre.y - row.height / 2.0, centre.y + row.height / 2.0);
        const double dx = position[b].x - before.x, dy = position[b].y - before.y;
        const double angle = std::acos(dy / std::sqrt(dx * dx + dy * dy)) * 57.0;

        SCOPED_TRACE("bacterium " + std::to_string(b));
        const Json& traced = f["teeth"][0]["bacteria"][static_cast<std::size_t>(b)];
        EXPECT_NEAR(traced[0].number, position[b].x, 1e-3);
        EXPECT_NEAR(traced[1].number, position[b].y, 1e-3);
        EXPECT_NEAR(traced[2].number, angle, 0.05);
    }
}

}  // namespace
