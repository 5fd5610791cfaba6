// Finding the pictures from any folder: which folder the game moves into for
// each arrangement of img/ folders, and what it says when none holds them.
#include "session/picture_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/temp_files.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

// What a candidate folder holds.
enum Holds { Nothing, EmptyImg, OtherFilesOnly, OnePicture, AllPictures };

void fill(const std::string& folder, Holds holds) {
    fs::create_directories(folder);
    if (holds == Nothing) return;
    fs::create_directories(folder + "/img");
    if (holds == OtherFilesOnly) writeFile(folder + "/img/logo.png", {1});
    if (holds == OnePicture) writeFile(folder + "/img/food.tga", {});  // even an empty one is theirs
    if (holds == AllPictures)
        for (const char* name : {"bg", "teeth", "bacteria", "brush", "drill", "food"})
            writeFile(folder + "/img/" + name + ".tga", {0});
}

struct Arrangement {
    Holds current, beside, share;
    int chosen;  // index into the candidates, -1: none
};

const Arrangement arrangements[] = {
    {AllPictures, AllPictures, AllPictures, 0},        // the current folder first, as always
    {OnePicture, AllPictures, AllPictures, 0},         // damaged pictures are still the player's
    {EmptyImg, AllPictures, AllPictures, 1},           // the build tree
    {OtherFilesOnly, OtherFilesOnly, AllPictures, 2},  // an installed or unpacked package
    {Nothing, Nothing, OnePicture, 2},
    {EmptyImg, OtherFilesOnly, Nothing, -1},
};

class PictureFolder : public ::testing::Test {
protected:
    fs::path started = fs::current_path();
    void TearDown() override { fs::current_path(started); }
};

TEST_F(PictureFolder, TheGameMovesIntoTheFirstFolderThatHoldsItsPictures) {
    for (const Arrangement& a : arrangements) {
        SCOPED_TRACE(&a - arrangements);
        TempFolder root;
        const std::string here = root.file("somewhere"), bin = root.file("tree/games"),
                          share = root.file("tree/share/velmora");
        fill(here, a.current);
        fill(bin, a.beside);
        fill(share, a.share);
        fs::current_path(here);

        const std::vector<std::string> candidates = pictureFolderCandidates(bin + "/velmora");
        ASSERT_EQ(candidates.size(), 3u);
        std::string entered;
        const std::string said = captureDiagnostics([&] { entered = enterPictureFolder(candidates); });

        if (a.chosen < 0) {
            EXPECT_EQ(entered, "");
            EXPECT_EQ(fs::current_path(), fs::path(here));
            // One line, naming every folder tried.
            EXPECT_EQ(said, "Pictures not found: no img/ in " + here + ", " + bin + ", " + share + "\n");
        } else {
            const std::string expected[] = {here, bin, share};
            EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(expected[a.chosen]));
            EXPECT_EQ(fs::canonical(entered), fs::canonical(expected[a.chosen]));
            EXPECT_EQ(said, "");
        }
        fs::current_path(started);
    }
}

TEST_F(PictureFolder, CandidatesAreTheCurrentFolderThenBesideAndBelowTheProgram) {
    const std::string here = fs::current_path().string();
    EXPECT_EQ(pictureFolderCandidates("/usr/games/velmora"),
              (std::vector<std::string>{here, "/usr/games", "/usr/share/velmora"}));
    EXPECT_EQ(pictureFolderCandidates("/opt/v/bin/velmora"),
              (std::vector<std::string>{here, "/opt/v/bin", "/opt/v/share/velmora"}));
    EXPECT_EQ(pictureFolderCandidates(""), (std::vector<std::string>{here}));
    // The test program itself is found through /proc/self/exe.
    EXPECT_EQ(fs::path(runningExecutablePath()).filename(), "desktop_test");
}

}  // namespace
