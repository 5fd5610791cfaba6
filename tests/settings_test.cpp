// The settings file as a player keeps it: comments and names of a newer game
// survive the game's writes, a symlink into a dotfiles folder stays a link,
// and neither a FIFO beside it nor a second game saving at the same moment
// stops a write or makes it fail.
#include "app/settings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/temp_files.h"
#include "tests/test_support.h"

namespace {

struct SettingsTextCase {
    const char* kept;
    bool soundOn;
    const char* written;
};

TEST(Settings, AWriteChangesOnlyTheGamesOwnLines) {
    const SettingsTextCase cases[] = {
        {"", true, "# Velmora's settings, kept between games\nsound on\nhelp on\n"},
        {"# my notes\nsound on\nvolume 7\n", false, "# my notes\nsound off\nvolume 7\nhelp on\n"},
        {"volume 7\r\nhelp on\r\nsound loud\r\n", true, "volume 7\nhelp on\nsound on\n"},
        {"sound on\nsound off\n# twice\n", false, "sound off\n# twice\nhelp on\n"},
        {"theme dark", true, "theme dark\nsound on\nhelp on\n"},
    };
    for (const SettingsTextCase& c : cases) {
        Settings settings;
        settings.soundOn = c.soundOn;
        const std::string text = settingsText(c.kept, settings);
        EXPECT_EQ(text, c.written) << "kept: " << c.kept;
        Settings read;
        std::string fault;
        EXPECT_TRUE(parseSettings(text, read, fault)) << fault;
        EXPECT_EQ(read.soundOn, c.soundOn);
    }
    Settings read;
    std::string fault;
    EXPECT_TRUE(parseSettings("help off\n", read, fault));
    EXPECT_FALSE(read.helpOn);
    EXPECT_FALSE(parseSettings("help maybe\n", read, fault));
    EXPECT_EQ(fault, "line 1: help is \"on\" or \"off\"");
}

class SettingsFile : public ::testing::Test {
protected:
    TempFolder folder;
    std::string settings = folder.file("config/velmora/settings");
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1);
        std::filesystem::create_directories(folder.file("config/velmora"));
    }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
};

TEST_F(SettingsFile, ACommentAnUnknownNameAndASymlinkLastFivePresses) {
    const std::string dotfile = folder.file("dotfiles/velmora-settings");
    std::filesystem::create_directories(folder.file("dotfiles"));
    std::ofstream(dotfile) << "# my notes\nsound on\nvolume 7\n";
    ::chmod(dotfile.c_str(), 0600);
    std::filesystem::create_symlink("../../dotfiles/velmora-settings", settings);
    const std::string said = captureDiagnostics([&] {
        for (int press = 1; press <= 5; ++press) {
            Settings now = readSettings();
            now.soundOn = !now.soundOn;
            writeSettings(now);
        }
    });
    EXPECT_EQ(said, "");
    EXPECT_TRUE(std::filesystem::is_symlink(settings)) << "the link became a plain file";
    EXPECT_EQ(readText(dotfile), "# my notes\nsound off\nvolume 7\nhelp on\n");
    struct stat info;
    ASSERT_EQ(::stat(dotfile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file's own permissions";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.file("dotfiles")),
                            std::filesystem::directory_iterator()),
              1)
        << "a temporary file was left behind";
}

// Once the game opened "settings.new" for writing and waited there for a
// reader that never came.
TEST_F(SettingsFile, AFifoBesideTheSettingsNeverHoldsAWrite) {
    ASSERT_EQ(mkfifo((settings + ".new").c_str(), 0600), 0);
    const pid_t writer = fork();
    if (writer == 0) {
        Settings off;
        off.soundOn = false;
        writeSettings(off);
        _exit(readText(settings).find("sound off\n") == std::string::npos ? 1 : 0);
    }
    int status = -1;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (waitpid(writer, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (kill(writer, 0) == 0 && waitpid(writer, &status, WNOHANG) == 0) {
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        FAIL() << "the write waited on the FIFO";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the settings were not written";
}

TEST_F(SettingsFile, TwoGamesSavingAtOnceNeverFail) {
    const std::string said = captureDiagnostics([&] {
        const auto presses = [](bool soundOn) {
            Settings settings;
            settings.soundOn = soundOn;
            for (int press = 0; press < 150; ++press) writeSettings(settings);
        };
        std::thread first(presses, true), second(presses, false);
        first.join();
        second.join();
    });
    EXPECT_EQ(said, "");
    Settings read;
    std::string fault;
    EXPECT_TRUE(parseSettings(readText(settings), read, fault)) << fault;
}

}  // namespace
