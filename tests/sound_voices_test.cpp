// The event voices when every one is busy: an event whose sound cannot play
// (its file missing) takes no voice, so the events sounding go on; one that
// can play still takes the voice with the least to come. And a device that
// gives too few voices is named as such, not as no device.
#include <AL/al.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "audio/sound_player.h"
#include "tests/temp_files.h"
#include "tests/test_support.h"

namespace {

// The player's sources playing now, found by asking OpenAL Soft about the
// names it hands out, which count up from 1.
int sourcesPlaying() {
    int playing = 0;
    for (ALuint source = 1; source < 64; ++source) {
        if (!alIsSource(source)) continue;
        ALint state = AL_STOPPED;
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        playing += state == AL_PLAYING;
    }
    return playing;
}

TEST(SoundVoices, AnEventThatCannotPlayStopsNoOther) {
    // The sounds beside the game, the thud's file left out.
    TempFolder folder;
    std::filesystem::create_directory(folder.file("sounds"));
    for (const auto& entry : std::filesystem::directory_iterator("sounds"))
        if (entry.path().filename() != "thud.wav")
            std::filesystem::copy_file(entry.path(), folder.file("sounds/" + entry.path().filename().string()));
    std::ofstream(folder.file("alsoft.conf")) << "drivers=wave\n[wave]\nfile=" << folder.file("heard.wav") << "\n";
    setenv("ALSOFT_CONF", folder.file("alsoft.conf").c_str(), 1);
    const std::filesystem::path gameFolder = std::filesystem::current_path();
    std::filesystem::current_path(folder.file(""));
    const std::string said = captureDiagnostics([] { openSoundPlayer(false); });
    std::filesystem::current_path(gameFolder);
    ASSERT_TRUE(soundPlayerOpen());
    EXPECT_NE(said.find("sounds/thud.wav"), std::string::npos) << said;

    SoundCues swish;
    swish.brushIn = true;  // a second long
    SoundCues thud;
    thud.thuds = 1;
    // Should the machine hold this thread back until a swish has rung out,
    // the voices are filled again.
    bool measured = false;
    for (int tries = 0; tries < 3 && !measured; ++tries) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 8; ++i) playSoundCues(swish, 0);
        const int busy = sourcesPlaying();
        const long started = soundsStarted();
        playSoundCues(thud, 0);
        const int afterThud = sourcesPlaying();
        const long startedAfterThud = soundsStarted();
        playSoundCues(swish, 0);
        const int afterSwish = sourcesPlaying();
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(500)) continue;
        measured = true;
        EXPECT_EQ(busy, 8) << "every event voice busy";
        EXPECT_EQ(afterThud, 8) << "the silent thud stopped an event";
        EXPECT_EQ(startedAfterThud, started);
        EXPECT_EQ(afterSwish, 8);
        EXPECT_EQ(soundsStarted(), started + 1) << "a sound that can play takes a voice";
    }
    EXPECT_TRUE(measured) << "the machine held the test back past a swish each time";
    closeSoundPlayer();
    unsetenv("ALSOFT_CONF");
}

// OpenAL Soft reads its settings once per process: this one runs in a fresh
// process of its own, with a device that allows four sources.
TEST(SoundVoicesDeathTest, ADeviceWithTooFewVoicesIsSaidToBeOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempFolder folder;
    std::ofstream(folder.file("alsoft.conf"))
        << "drivers=wave\nsources=4\n[wave]\nfile=" << folder.file("heard.wav") << "\n";
    const std::string conf = folder.file("alsoft.conf");
    EXPECT_EXIT(
        {
            setenv("ALSOFT_CONF", conf.c_str(), 1);
            const std::string said = captureDiagnostics([] { openSoundPlayer(false); });
            std::fputs(said.c_str(), stderr);
            std::exit(soundPlayerOpen() || said.find("no audio device") != std::string::npos ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "Sound is off: the audio device would not give the game its [0-9]+ voices");
}

}  // namespace
