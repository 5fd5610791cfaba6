// --no-draw leaves out the drawing nobody sees and must change nothing else:
// long play with shots taken after a frame, after input that follows a
// frame, and after a resize gives the same trace and the same pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/replay_test_support.h"

namespace {

std::string soakScript(int seconds) {
    const std::string command =
        "bash '" VELMORA_SOURCE "/tools/make_soak_script.sh' " + std::to_string(seconds) + " 16";
    std::string text;
    if (std::FILE* out = popen(command.c_str(), "r")) {
        for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
        pclose(out);
    }
    return text;
}

// The soak script played in a 200 x 150 window, where drawing costs a
// sixteenth, its pointer positions scaled to match, with extra lines after
// some of its runs of frames.
std::string smallWindowWithProbes(const std::string& soak) {
    std::istringstream in(soak);
    std::ostringstream out;
    out << "reshape 200 150\n";
    int runs = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "mouse") {
            int button, state, x, y;
            words >> button >> state >> x >> y;
            out << "mouse " << button << ' ' << state << ' ' << x / 4 << ' ' << y / 4 << '\n';
        } else if (command == "motion") {
            int x, y;
            words >> x >> y;
            out << "motion " << x / 4 << ' ' << y / 4 << '\n';
        } else {
            out << line << '\n';
        }
        if (command != "frames") continue;
        switch (++runs) {
            case 5:
                out << "shot after_frames.png\n";
                break;
            case 10:
                // The first food lies where the soak dropped it; it is carried
                // off after the frame, so the shot must still show it in place.
                out << "mouse 0 0 25 75\nmotion 150 125\nshot after_motion.png\nmouse 0 1 150 125\n";
                break;
            case 20:
                out << "reshape 240 180\nshot after_resize.png\n";
                break;
            case 30:
                out << "reshape 200 150\n";
                break;
        }
    }
    out << "shot at_end.png\n";
    return out.str();
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(ReplayWithoutDrawing, TracesAndShotsEqualTheDrawnReplay) {
    // Long enough for the brush to strike and put the food back.
    constexpr int seconds = 45;
    const std::string soak = soakScript(seconds);
    ASSERT_NE(soak.find("frames "), std::string::npos) << "no soak script";
    const std::string script = smallWindowWithProbes(soak);

    std::string folders[2];
    ReplayRun runs[2];
    const char* options[2] = {"--bacteria", "--bacteria --no-draw"};
    for (int i = 0; i < 2; ++i) {
        folders[i] = makeTemporaryFolder();
        std::filesystem::create_directory_symlink(VELMORA_SOURCE "/img", folders[i] + "/img");
        runs[i] = runReplay(script, options[i], folders[i]);
        ASSERT_EQ(runs[i].status, 0) << options[i] << ": " << runs[i].errors;
    }
    ASSERT_EQ(runs[0].lines.size(), static_cast<std::size_t>(seconds * 1000 / 16));
    ASSERT_EQ(runs[1].lines.size(), runs[0].lines.size());
    for (std::size_t i = 0; i < runs[0].lines.size(); ++i)
        ASSERT_EQ(runs[1].lines[i], runs[0].lines[i]) << "frame " << i + 1;

    for (const char* shot : {"after_frames.png", "after_motion.png", "after_resize.png", "at_end.png"}) {
        const std::string drawn = readBytes(folders[0] + "/" + shot);
        EXPECT_GT(drawn.size(), 1000u) << shot;
        EXPECT_TRUE(drawn == readBytes(folders[1] + "/" + shot)) << shot << " differs";
    }
    for (const std::string& folder : folders) std::filesystem::remove_all(folder);
}

}  // namespace
