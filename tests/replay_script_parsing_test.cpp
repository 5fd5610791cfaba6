// The replay's script reader on its own: what each command becomes, how runs of
// frames continue the clock, and that one bad line refuses the whole script.
#include <gtest/gtest.h>

#include <sstream>

#include "recording/replay_script.h"

namespace {

ReplayScript parse(const std::string& text) {
    std::istringstream in(text);
    return parseReplayScript(in);
}

struct FrameRun {
    int firstMs, stepMs, count;
};

std::vector<FrameRun> frameRuns(const ReplayScript& script) {
    std::vector<FrameRun> runs;
    for (const ReplayCommand& c : script.commands)
        if (c.kind == ReplayCommandKind::Frames) runs.push_back({c.firstMs, c.stepMs, c.count});
    return runs;
}

TEST(ReplayScriptParsing, CommentsAndBlankLinesAreSkippedButStillCounted) {
    const ReplayScript script = parse("# start\n\n   \n  # indented comment\nframe 16\r\n\nmotion 3 4\n");
    ASSERT_EQ(script.error, "");
    ASSERT_EQ(script.commands.size(), 2u);
    EXPECT_EQ(script.commands[0].line, 5);
    EXPECT_EQ(script.commands[0].firstMs, 16);
    EXPECT_EQ(script.commands[1].line, 7);
}

TEST(ReplayScriptParsing, FramesStartOneStepAfterTheLastReading) {
    const ReplayScript script = parse("frames 3 16\nframe 100\nframes 2 10\nframes 0 7\nframes 1 5\n");
    ASSERT_EQ(script.error, "");
    const std::vector<FrameRun> runs = frameRuns(script);
    ASSERT_EQ(runs.size(), 5u);
    // Before any frame the last reading is 0: the first run reads 16, 32, 48.
    EXPECT_EQ(runs[0].firstMs, 16);
    EXPECT_EQ(runs[0].stepMs, 16);
    EXPECT_EQ(runs[0].count, 3);
    EXPECT_EQ(runs[1].firstMs, 100);
    EXPECT_EQ(runs[1].count, 1);
    EXPECT_EQ(runs[2].firstMs, 110);
    EXPECT_EQ(runs[2].count, 2);
    // An empty run reads nothing and leaves the clock at 120.
    EXPECT_EQ(runs[3].count, 0);
    EXPECT_EQ(runs[4].firstMs, 125);
}

TEST(ReplayScriptParsing, FramesMayRepeatAReadingButNeverGoBack) {
    EXPECT_EQ(parse("frame 40\nframe 40\nframes 2 0\n").error, "");
    EXPECT_EQ(parse("frame 40\nframe 39\n").error.rfind("line 2: ", 0), 0u);
}

TEST(ReplayScriptParsing, InputCommandsCarryTheirArguments) {
    const ReplayScript script =
        parse("mouse 2 1 -5 700\nmotion 10 -20\npassive 7 8\nkey # 1 2\nreshape 0 -600\nshot out/a.png\n");
    ASSERT_EQ(script.error, "");
    ASSERT_EQ(script.commands.size(), 6u);
    const ReplayCommand& mouse = script.commands[0];
    EXPECT_EQ(mouse.kind, ReplayCommandKind::Mouse);
    EXPECT_EQ(mouse.button, 2);
    EXPECT_EQ(mouse.buttonState, 1);
    EXPECT_EQ(mouse.x, -5);
    EXPECT_EQ(mouse.y, 700);
    EXPECT_EQ(script.commands[1].kind, ReplayCommandKind::Motion);
    EXPECT_EQ(script.commands[1].y, -20);
    EXPECT_EQ(script.commands[2].kind, ReplayCommandKind::Passive);
    EXPECT_EQ(script.commands[2].x, 7);
    const ReplayCommand& key = script.commands[3];
    EXPECT_EQ(key.kind, ReplayCommandKind::Key);
    EXPECT_EQ(key.key, '#');
    EXPECT_EQ(key.y, 2);
    // Sizes the game itself refuses still reach it, so its own report can be seen.
    EXPECT_EQ(script.commands[4].kind, ReplayCommandKind::Reshape);
    EXPECT_EQ(script.commands[4].y, -600);
    EXPECT_EQ(script.commands[5].file, "out/a.png");
}

TEST(ReplayScriptParsing, EveryKindOfKeyReachesItsOwnCallback) {
    struct Case {
        const char* line;
        ReplayCommandKind kind;
        int key;
    };
    // Recordings hold any byte and any special code the game was handed.
    const Case cases[] = {
        {"key ~ 3 4", ReplayCommandKind::Key, '~'},
        {"keycode 0 3 4", ReplayCommandKind::Key, 0},
        {"keycode 255 3 4", ReplayCommandKind::Key, 255},
        {"keyup 32 3 4", ReplayCommandKind::KeyUp, 32},
        {"special 101 3 4", ReplayCommandKind::Special, 101},
        {"specialup 1 3 4", ReplayCommandKind::SpecialUp, 1},
        {"special 70000 3 4", ReplayCommandKind::Special, 70000},
    };
    for (const Case& c : cases) {
        const ReplayScript script = parse(std::string(c.line) + "\n");
        ASSERT_EQ(script.error, "") << c.line;
        ASSERT_EQ(script.commands.size(), 1u) << c.line;
        EXPECT_EQ(script.commands[0].kind, c.kind) << c.line;
        EXPECT_EQ(script.commands[0].key, c.key) << c.line;
        EXPECT_EQ(script.commands[0].x, 3) << c.line;
        EXPECT_EQ(script.commands[0].y, 4) << c.line;
    }
}

TEST(ReplayScriptParsing, EveryEventTheGameCanReceiveIsAccepted) {
    // Side buttons and sideways scrolling come as buttons 5 to 8; full screen on
    // an 8K display gives a 5760 x 4320 canvas; sizes the game itself refuses
    // must reach it so that its own report is replayed too.
    const char* lines[] = {
        "mouse 5 0 1 1",      "mouse 8 1 -3 4",        "mouse 255 0 0 0", "reshape 5760 4320",
        "reshape 10000 7500", "reshape -2147483648 0", "special -1 0 0",  "motion 2147483647 -2147483648"};
    for (const char* line : lines) {
        const ReplayScript script = parse(std::string(line) + "\n");
        EXPECT_EQ(script.error, "") << line;
        EXPECT_EQ(script.commands.size(), 1u) << line;
    }
}

TEST(ReplayScriptParsing, ACutOffLastLineIsLeftOutAndSaidSo) {
    struct Case {
        const char* text;
        std::size_t commands;
        const char* notice;  // empty: nothing to say
    };
    const Case cases[] = {
        // "frame 3175" cut to "frame 317" would read as going back in time.
        {"frame 3159\nmotion 1 2\nframe 317", 2, "line 3 has no newline"},
        {"frame 16\nfra", 1, "line 2 has no newline"},
        {"frame 16\n", 1, ""},
        {"frame 16\n# a comment, cut", 1, ""},
        {"frame 16\n   ", 1, ""},
    };
    for (const Case& c : cases) {
        const ReplayScript script = parse(c.text);
        EXPECT_EQ(script.error, "") << c.text;
        EXPECT_EQ(script.commands.size(), c.commands) << c.text;
        if (*c.notice == '\0')
            EXPECT_EQ(script.notice, "") << c.text;
        else
            EXPECT_EQ(script.notice.rfind(c.notice, 0), 0u) << script.notice;
    }
}

// Every line the game writes ends with a newline: text without one whole line
// is no recording, whatever it holds, and is refused rather than played as a
// game of no frames.
TEST(ReplayScriptParsing, TextWithoutOneWholeLineIsNotARecording) {
    for (const char* text : {"", "<!DOCTYPE html><html><head><title>404</title></head></html>", "frame 16",
                             "# velmora 1.0.0, window 800 x 600", "   "}) {
        const ReplayScript script = parse(text);
        EXPECT_EQ(script.error, *text ? "line 1 has no newline: not a recording"
                                      : "line 1 is missing: an empty text is not a recording")
            << text;
        EXPECT_TRUE(script.commands.empty()) << text;
        EXPECT_EQ(script.notice, "") << text;
    }
    for (const char* text : {"\n", "# velmora 1.0.0, window 800 x 600\n", "\nframe 16"})
        EXPECT_EQ(parse(text).error, "") << text;
}

TEST(ReplayScriptParsing, WhatAScriptMayHoldIsBounded) {
    const std::string longest(maxScriptLineBytes, '#');
    EXPECT_EQ(parse(longest + "\nframe 16\n").commands.size(), 1u) << "a line of the longest size";
    // A day-long game at 60 frames a second, and the most frames of all.
    EXPECT_EQ(parse("frames 5184000 16\nframe 82944001\n").error, "") << "a day of play";
    EXPECT_EQ(parse("frames 268000000 1\nframe 268000001\nframes 435455 0\n").error, "") << "the most frames";
    struct Case {
        std::string text;
        const char* complaint;
    };
    const Case cases[] = {
        {"frame 16\n#" + longest + "\n", "line 2: longer than 4096 bytes"},
        {std::string(1 << 20, '\0'), "line 1: longer than 4096 bytes"},
        {"shot " + std::string(5000, 'a') + ".png\n", "line 1: longer than 4096 bytes"},
        // Twenty bytes would ask for 2.5 TB of trace and twenty hours.
        {"frames 2147483647 1\n", "line 1: a script plays at most 268435456 frames; this line brings it to 2147483647"},
        {"frames 268435456 0\nframe 5\n",
         "line 2: a script plays at most 268435456 frames; this line brings it to 268435457"},
        {"frames 268000000 1\n#\nframes 435457 1\n",
         "line 3: a script plays at most 268435456 frames; this line brings it to 268435457"},
    };
    for (const Case& c : cases) {
        const ReplayScript script = parse(c.text);
        EXPECT_TRUE(script.commands.empty());
        EXPECT_EQ(script.error, c.complaint);
    }
}

// Read a command at a time, a script hands out what comes before its first
// bad line, then says the line; the text after it is never read.
TEST(ReplayScriptParsing, AStreamedScriptStopsAtItsFirstBadLine) {
    std::istringstream in("frame 16\n# note\nmotion 1 2\nframe 8\nframe 64\n");
    ScriptReader reader;
    reader.text = in.rdbuf();
    std::vector<long long> lines;
    for (ReplayCommand c; readScriptCommand(reader, c);) lines.push_back(c.line);
    EXPECT_EQ(lines, (std::vector<long long>{1, 3}));
    EXPECT_EQ(reader.error, "line 4: MS 8 is before the last reading 16");
    EXPECT_EQ(in.rdbuf()->in_avail(), 9) << "frame 64 is left unread";
    ReplayCommand c;
    EXPECT_FALSE(readScriptCommand(reader, c)) << "a stopped reader stays stopped";
}

TEST(ReplayScriptParsing, EchoedTextIsCutShortAndUnprintableBytesEscaped) {
    const ReplayScript script = parse("frob\x01\xff\x1b[2J" + std::string(3000, 'x') + " 1\n");
    EXPECT_EQ(script.error.rfind("line 1: unknown command \"frob\\x01\\xff\\x1b[2Jxxx", 0), 0u) << script.error;
    EXPECT_LT(script.error.size(), 120u) << script.error;
    for (const char c : script.error) EXPECT_TRUE(c >= ' ' && c <= '~') << script.error;
}

struct BadScript {
    std::string text;
    int line;
    const char* complaint;
};

class MalformedScripts : public testing::TestWithParam<BadScript> {};

TEST_P(MalformedScripts, AreRefusedWholeNamingTheLine) {
    const BadScript bad = GetParam();
    const ReplayScript script = parse(bad.text);
    EXPECT_TRUE(script.commands.empty()) << "nothing may be left to run";
    const std::string prefix = "line " + std::to_string(bad.line) + ": ";
    EXPECT_EQ(script.error.rfind(prefix, 0), 0u) << script.error;
    EXPECT_NE(script.error.find(bad.complaint), std::string::npos) << script.error;
}

INSTANTIATE_TEST_SUITE_P(
    ReplayScriptParsing, MalformedScripts,
    testing::Values(
        BadScript{"frame 16\nframe 32\nfram 48\n", 3, "unknown command"},
        BadScript{"# fine\nFRAME 16\n", 2, "unknown command"}, BadScript{"frame\n", 1, "frame MS"},
        BadScript{"frame 16 # trailing note\n", 1, "frame MS"}, BadScript{"frame 16\nframes 5\n", 2, "frames N STEP"},
        BadScript{"mouse 0 0 1\n", 1, "mouse BUTTON STATE X Y"}, BadScript{"shot\n", 1, "shot FILE"},
        BadScript{"shot a.png b.png\n", 1, "shot FILE"}, BadScript{"motion 3\n", 1, "motion X Y"},
        BadScript{"passive 1 2 3\n", 1, "passive X Y"}, BadScript{"reshape 800\n", 1, "reshape W H"},
        BadScript{"frame 1.5\n", 1, "not a whole number"}, BadScript{"frame 16ms\n", 1, "not a whole number"},
        BadScript{"\n\nmotion x 4\n", 3, "not a whole number"}, BadScript{"frame 99999999999\n", 1, "too large"},
        BadScript{"frame -1\n", 1, "outside"}, BadScript{"frames -1 16\n", 1, "outside"},
        BadScript{"frames 3 -16\n", 1, "outside"}, BadScript{"frame 2147483000\nframes 2 400\n", 2, "clock would pass"},
        BadScript{"frame 50\nframe 49\n", 2, "before the last reading"}, BadScript{"mouse five 0 1 1\n", 1, "BUTTON"},
        BadScript{std::string("shot a\0b.png\n", 13), 1, "FILE \"a\\x00b.png\" holds a NUL byte"},
        BadScript{"mouse 0 2 1 1\n", 1, "STATE"}, BadScript{"key ab 1 1\n", 1, "printable"},
        BadScript{"key \x01 1 1\n", 1, "printable"}, BadScript{"reshape 5000 99999999999\n", 1, "too large"},
        BadScript{"frames 10 16\nmotion 1 2\nshot a.png\nreshape 800 600 1\n", 4, "reshape W H"},
        BadScript{"keycode 256 1 1\n", 1, "outside"}, BadScript{"keyup -1 1 1\n", 1, "outside"},
        BadScript{"keycode a 1 1\n", 1, "not a whole number"}, BadScript{"special F1 1 1\n", 1, "not a whole number"},
        BadScript{"specialup 1 1\n", 1, "specialup N X Y"}, BadScript{"keyup 97 1 1 1\n", 1, "keyup N X Y"}));

}  // namespace
