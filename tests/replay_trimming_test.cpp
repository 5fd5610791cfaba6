// Trimmed quads against whole ones: a long game replayed twice, once drawing
// only the parts of the quads that can show and opaque pictures unblended,
// once drawing every quad whole and blended, with shots taken at the same
// frames: full teeth, falling teeth, the brush and the drill on the screen.
// The two may differ only where interpolated texture coordinates round
// differently. Both are drawn on the machine's own OpenGL and again on Mesa's
// reference rasterizer (softpipe), which works out every pixel by the book
// with none of llvmpipe's shortcuts: a margin that fell short would show there
// whatever the machine's driver does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "tests/replay_test_support.h"

namespace {

constexpr int stepMs = 100;
constexpr int gameSeconds = 240;
constexpr int shotCount = 12;
constexpr int mostChannelDifference = 2;
constexpr double mostDifferingShare = 0.001;

// The game is played in a 160 x 120 window, where one pixel is five canvas
// units, and shot at 800 x 600. Each food goes where two teeth overlap.
struct Drag {
    int fromX, fromY, toX, toY;
};
constexpr Drag drags[3] = {{65, 10, 20, 60}, {80, 10, 22, 61}, {95, 10, 85, 64}};

std::string frameLine(int frame) { return "frame " + std::to_string(frame * stepMs) + "\n"; }

// Once a second every food at its start is dragged back onto its teeth; a shot
// at 800 x 600 follows each frame in shotFrames.
std::string gameScript(const std::set<int>& shotFrames, const std::string& folder) {
    std::ostringstream script;
    script << "reshape 160 120\n";
    int frame = 0;
    for (int second = 0; second < gameSeconds; ++second) {
        for (const Drag& d : drags)
            script << "mouse 0 0 " << d.fromX << ' ' << d.fromY << "\nmotion " << d.toX << ' ' << d.toY
                   << "\nmouse 0 1 " << d.toX << ' ' << d.toY << '\n';
        for (int i = 0; i < 1000 / stepMs; ++i) {
            script << frameLine(++frame);
            if (shotFrames.count(frame))
                script << "reshape 800 600\nshot " << folder << "/shot-" << frame << ".png\nreshape 160 120\n";
        }
    }
    return script.str();
}

// What shows at a frame, read from its trace line.
struct Scene {
    bool brush = false, drill = false, falling = false, fullTooth = false;
    int score() const { return brush + drill + falling + fullTooth; }
};

Scene sceneOf(const Json& f) {
    Scene s;
    // The brush is 875 units wide, the drill 800, the canvas 800.
    s.brush = std::fabs(f["brush"]["x"].number) < 400 + 875 / 2;
    s.drill = std::fabs(f["drill"]["x"].number) < 400 + 800 / 2;
    s.falling = f["falling"].size() > 0;
    for (const Json& tooth : f["teeth"].items) s.fullTooth = s.fullTooth || tooth["n"].asInt() == 100;
    return s;
}

// Frames spread over the game, each showing as much as any frame near it.
std::set<int> chooseShots(const std::vector<Scene>& scenes) {
    std::set<int> chosen;
    const std::size_t span = scenes.size() / shotCount;
    for (std::size_t part = 0; part < shotCount; ++part) {
        std::size_t best = part * span;
        for (std::size_t i = part * span; i < (part + 1) * span; ++i)
            if (scenes[i].score() > scenes[best].score()) best = i;
        chosen.insert(static_cast<int>(best) + 1);
    }
    return chosen;
}

// The renderer a replay draws with: the machine's own, or Mesa's reference
// rasterizer in software.
struct Renderer {
    const char* name;
    bool reference;
    double mostDifferingShare;  // how many pixels may round differently
};
// The reference rounds each rectangle's coordinates on its own over whole
// teeth: one level of difference may spread further there.
constexpr Renderer renderers[] = {{"this machine's OpenGL", false, mostDifferingShare}, {"Mesa's softpipe", true, 1.0}};

void setOrUnset(const char* name, const char* value) {
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ReplayRun playIn(const std::string& folder, const std::string& script, bool wholeQuads, bool reference) {
    setOrUnset("VELMORA_WHOLE_QUADS", wholeQuads ? "1" : nullptr);
    setOrUnset("LIBGL_ALWAYS_SOFTWARE", reference ? "1" : nullptr);
    setOrUnset("GALLIUM_DRIVER", reference ? "softpipe" : nullptr);
    // Only the shots are drawn: the frames between them change no picture
    // compared here, and drawing them is most of the reference's minutes.
    ReplayRun run = runReplay(script, "--no-draw", folder);
    for (const char* name : {"VELMORA_WHOLE_QUADS", "LIBGL_ALWAYS_SOFTWARE", "GALLIUM_DRIVER"}) unsetenv(name);
    return run;
}

std::string shotPath(const std::string& folder, int frame) {
    return folder + "/shot-" + std::to_string(frame) + ".png";
}

TEST(ReplayTrimming, TrimmedQuadsDrawTheSamePicturesAsWholeOnes) {
    const std::string project = std::filesystem::current_path().string();
    std::vector<std::string> folders;
    auto newFolder = [&] {
        folders.push_back(makeTemporaryFolder());
        std::filesystem::create_directory_symlink(project + "/img", folders.back() + "/img");
        return folders.back();
    };

    // First the game alone, to find the frames worth a shot.
    const std::string first = newFolder();
    const ReplayRun plain = playIn(first, gameScript({}, first), false, false);
    ASSERT_EQ(plain.status, 0) << plain.errors;
    ASSERT_EQ(plain.errors, "") << "every picture is there";
    std::vector<Scene> scenes;
    for (const std::string& line : plain.lines) scenes.push_back(sceneOf(parseJson(line)));
    ASSERT_EQ(scenes.size(), static_cast<std::size_t>(gameSeconds * 1000 / stepMs));
    const std::set<int> shots = chooseShots(scenes);
    Scene seen;
    for (int frame : shots) {
        const Scene& s = scenes[static_cast<std::size_t>(frame) - 1];
        seen.brush |= s.brush, seen.drill |= s.drill, seen.falling |= s.falling, seen.fullTooth |= s.fullTooth;
    }
    ASSERT_TRUE(seen.brush && seen.drill && seen.falling && seen.fullTooth)
        << "the shots miss the brush, the drill, a falling tooth or a full tooth";

    std::string wholeFolders[2];
    for (const Renderer& renderer : renderers) {
        SCOPED_TRACE(renderer.name);
        const std::string trimmed = newFolder(), whole = newFolder();
        wholeFolders[renderer.reference] = whole;
        const ReplayRun trimmedRun = playIn(trimmed, gameScript(shots, trimmed), false, renderer.reference);
        const ReplayRun wholeRun = playIn(whole, gameScript(shots, whole), true, renderer.reference);
        ASSERT_EQ(trimmedRun.status, 0) << trimmedRun.errors;
        ASSERT_EQ(wholeRun.status, 0) << wholeRun.errors;
        EXPECT_EQ(trimmedRun.lines, plain.lines) << "shots and renderers do not change the game";
        EXPECT_EQ(wholeRun.lines, plain.lines) << "the way quads are drawn does not change the game";

        int worstCount = 0, worstDifference = 0;
        for (int frame : shots) {
            const Picture a = readPng(shotPath(trimmed, frame)), b = readPng(shotPath(whole, frame));
            ASSERT_EQ(a.width, 800);
            ASSERT_EQ(a.height, 600);
            ASSERT_EQ(a.rgb.size(), b.rgb.size());
            int differing = 0, largest = 0;
            for (std::size_t p = 0; p < a.rgb.size(); p += 3) {
                int d = 0;
                for (std::size_t c = 0; c < 3; ++c) d = std::max(d, std::abs(a.rgb[p + c] - b.rgb[p + c]));
                differing += d > 0;
                largest = std::max(largest, d);
            }
            const int pixels = a.width * a.height;
            EXPECT_LE(largest, mostChannelDifference) << "frame " << frame;
            EXPECT_LE(differing, static_cast<int>(pixels * renderer.mostDifferingShare)) << "frame " << frame;
            worstCount = std::max(worstCount, differing);
            worstDifference = std::max(worstDifference, largest);
        }
        std::printf("%s, %zu shots: at most %d of 480000 pixels differ, by at most %d\n", renderer.name, shots.size(),
                    worstCount, worstDifference);
    }

    // Had the reference not been the one drawing, its pictures would be the
    // machine's to the last bit.
    bool renderersDiffer = false;
    for (int frame : shots)
        renderersDiffer = renderersDiffer || readPng(shotPath(wholeFolders[0], frame)).rgb !=
                                                 readPng(shotPath(wholeFolders[1], frame)).rgb;
    EXPECT_TRUE(renderersDiffer) << "the reference rasterizer did not draw the second set";
    for (const std::string& folder : folders) std::filesystem::remove_all(folder);
}

}  // namespace
