// The Debian package as a player gets it: built by CPack from this build,
// unpacked with dpkg-deb into a temporary folder, checked by lintian,
// desktop-file-validate and appstreamcli, and the unpacked game and replay
// tool run from another folder.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "tests/temp_files.h"
#include "tests/x_session.h"

namespace fs = std::filesystem;

namespace {

// Runs a shell command; its exit status, with its output (both streams) in out.
int shell(const std::string& command, std::string& out) {
    TempFolder scratch;
    const std::string log = scratch.file("log");
    const int raw = std::system((command + " >" + log + " 2>&1").c_str());
    out = readText(log);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Width and height from a PNG file's header.
bool pngSize(const std::string& path, int& width, int& height) {
    const Bytes b = readFile(path);
    if (b.size() < 24 || b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return false;
    width = (b[16] << 24) | (b[17] << 16) | (b[18] << 8) | b[19];
    height = (b[20] << 24) | (b[21] << 16) | (b[22] << 8) | b[23];
    return true;
}

class Package : public ::testing::Test {
protected:
    static TempFolder* work;
    static std::string deb;
    static std::string root;  // where the package is unpacked

    static void SetUpTestSuite() {
        work = new TempFolder;
        std::string out;
        if (shell("cpack -G DEB -B " + work->file("out") + " --config " VELMORA_BUILD_DIR "/CPackConfig.cmake", out) !=
            0) {
            std::fprintf(stderr, "cpack failed:\n%s\n", out.c_str());
            return;
        }
        deb = work->file("out/velmora_" VELMORA_VERSION "_amd64.deb");
        root = work->file("root");
        if (shell("dpkg-deb -x " + deb + " " + root, out) != 0) std::fprintf(stderr, "dpkg-deb: %s\n", out.c_str());
    }
    static void TearDownTestSuite() {
        delete work;
        work = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(fs::exists(deb)) << "no package velmora_" VELMORA_VERSION "_amd64.deb";
        ASSERT_TRUE(fs::exists(root + "/usr/games/velmora")) << "the package was not unpacked";
    }
};

// The desktop entry's name, which the AppStream file shares.
const std::string appId = "org.example.velmora";

TempFolder* Package::work = nullptr;
std::string Package::deb;
std::string Package::root;

TEST_F(Package, IsADebianGamePackageThatLintianAndTheDesktopCheckerAccept) {
    std::string out;
    ASSERT_EQ(shell("dpkg-deb -f " + deb + " Package Version Architecture Section Depends", out), 0);
    EXPECT_NE(out.find("Package: velmora\nVersion: " VELMORA_VERSION "\nArchitecture: amd64\nSection: games\n"),
              std::string::npos)
        << out;
    // Worked out from the binaries by dpkg-shlibdeps.
    EXPECT_NE(out.find("libglut"), std::string::npos) << out;
    EXPECT_NE(out.find("libpng16"), std::string::npos) << out;
    EXPECT_NE(out.find("libopenal1"), std::string::npos) << out;

    for (const char* path :
         {"/usr/games/velmora-replay", "/usr/share/man/man6/velmora.6.gz", "/usr/share/doc/velmora/copyright",
          "/usr/share/velmora/img/teeth.tga", "/usr/share/velmora/sounds/pop_1.wav",
          "/usr/share/velmora/sounds/thud.wav", "/usr/share/doc/velmora/recordings.md"})
        EXPECT_TRUE(fs::is_regular_file(root + path)) << path;
    for (int size : {48, 128, 256}) {
        const std::string icon = root + "/usr/share/icons/hicolor/" + std::to_string(size) + "x" +
                                 std::to_string(size) + "/apps/velmora.png";
        int w = 0, h = 0;
        EXPECT_TRUE(pngSize(icon, w, h)) << icon;
        EXPECT_EQ(w, size);
        EXPECT_EQ(h, size);
    }

    EXPECT_EQ(shell("desktop-file-validate " + root + "/usr/share/applications/" + appId + ".desktop", out), 0) << out;
    EXPECT_EQ(out, "");

    const int status = shell("lintian --fail-on error --allow-root " + deb, out);
    EXPECT_EQ(status, 0) << out;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_NE(line.rfind("E: ", 0), 0u) << line;
        EXPECT_NE(line.rfind("W: ", 0), 0u) << line;
    }
}

// What software centres read: the AppStream file, named as the desktop entry
// it launches, valid without looking anything up on the network, in the
// package's own listing, and telling this build's release.
TEST_F(Package, CarriesAnAppStreamDescriptionOfThisRelease) {
    const std::string installed = "/usr/share/metainfo/" + appId + ".metainfo.xml";
    std::string out;
    EXPECT_EQ(shell("dpkg-deb -c " + deb, out), 0) << out;
    EXPECT_NE(out.find("." + installed + "\n"), std::string::npos) << out;

    const std::string file = root + installed;
    ASSERT_TRUE(fs::is_regular_file(file)) << installed;
    // The file alone, then the unpacked tree, where it must find the desktop
    // entry it launches. Not even a hint: a pedantic remark is a line of its
    // own, like a warning.
    for (const std::string& check :
         {"validate --no-net --pedantic " + file, "validate-tree --no-net --pedantic " + root}) {
        EXPECT_EQ(shell("appstreamcli " + check, out), 0) << check << "\n" << out;
        std::istringstream remarks(out);
        for (std::string line; std::getline(remarks, line);) EXPECT_EQ(line.find(": "), std::string::npos) << line;
    }

    const std::string text = readText(file);
    EXPECT_NE(text.find("<id>" + appId + "</id>"), std::string::npos);
    EXPECT_NE(text.find("<launchable type=\"desktop-id\">" + appId + ".desktop</launchable>"), std::string::npos);
    EXPECT_NE(text.find("<release version=\"" VELMORA_VERSION "\""), std::string::npos) << text;
    EXPECT_NE(text.find("<content_rating type=\"oars-1.1\""), std::string::npos);
    // Each of the README's pictures, and no address a software centre would refuse.
    for (const char* picture : {"start", "swarm", "brush", "falling", "drill"})
        EXPECT_NE(text.find(std::string("/docs/") + picture + ".png</image>"), std::string::npos) << picture;
    EXPECT_EQ(text.find("http://"), std::string::npos);
}

TEST_F(Package, UnpackedGameTellsItsVersionWithoutADisplay) {
    std::string out;
    EXPECT_EQ(shell("cd / && env -u DISPLAY " + root + "/usr/games/velmora --version", out), 0);
    EXPECT_EQ(out, VELMORA_VERSION "\n");
}

TEST_F(Package, UnpackedGameDrawsTheMouthWithItsPicturesFromAnotherFolder) {
    XSession session;
    ASSERT_TRUE(session.start()) << "Xvfb would not start";
    // The work folder holds the package and its unpacked tree, but no img/.
    const std::string log = work->file("game.log");
    // A device to play into (OpenAL Soft's file output), so that the game has
    // its sounds to find too.
    const std::string soundConfig = work->file("alsoft.conf");
    std::ofstream(soundConfig) << "drivers=wave\n[wave]\nfile=" << work->file("heard.wav") << "\n";
    setenv("ALSOFT_CONF", soundConfig.c_str(), 1);
    const bool started = session.startProgram({root + "/usr/games/velmora"}, work->file(""), log);
    unsetenv("ALSOFT_CONF");
    ASSERT_TRUE(started) << readText(log);
    ASSERT_TRUE(session.waitForFrames()) << "the game draws no frames: " << readText(log);
    const Screenshot shot = session.screenshot();
    ASSERT_EQ(shot.width, 800);
    ASSERT_EQ(shot.height, 600);
    EXPECT_TRUE(session.gameRunning());
    EXPECT_EQ(readText(log), "") << "the game found all its pictures and sounds without a word";

    // Untextured, the mouth is a white square with a few flat-coloured
    // sprites on it; with its pictures it is drawn in hundreds of colours.
    std::set<int> colours;
    int white = 0, samples = 0;
    for (int y = 0; y < shot.height; y += 2)
        for (int x = 0; x < shot.width; x += 2) {
            const unsigned char* p = shot.at(x, y);
            colours.insert((p[0] >> 3) << 10 | (p[1] >> 3) << 5 | p[2] >> 3);
            white += p[0] > 250 && p[1] > 250 && p[2] > 250;
            ++samples;
        }
    RecordProperty("colours", static_cast<int>(colours.size()));
    RecordProperty("white_percent", 100 * white / samples);
    EXPECT_GT(colours.size(), 300u);
    EXPECT_LT(white, samples / 10);
}

TEST_F(Package, UnpackedReplayToolDrawsRealShotsFromAnyFolder) {
    // A folder with a script and no pictures: the replay tool finds them in
    // ../share/velmora beside itself, while the shot lands where it was named.
    TempFolder here;
    std::ofstream(here.file("script.txt")) << "frame 16\nshot shots/start.png\n";
    fs::create_directory(here.file("shots"));
    std::string out;
    ASSERT_EQ(shell("cd " + here.file("") + " && " + root + "/usr/games/velmora-replay --no-draw script.txt", out), 0)
        << out;
    EXPECT_EQ(out.find("not found"), std::string::npos) << out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, here.file("shots/start.png").c_str())) << image.message;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
    ASSERT_EQ(image.width, 800u);
    // Drawn with its pictures the mouth has hundreds of colours; a white
    // square with a few flat sprites would have a handful.
    std::set<int> colours;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3 * 7)
        colours.insert((rgb[i] >> 3) << 10 | (rgb[i + 1] >> 3) << 5 | rgb[i + 2] >> 3);
    EXPECT_GT(colours.size(), 300u);
}

}  // namespace
