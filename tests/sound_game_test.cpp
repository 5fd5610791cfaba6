// Three minutes of the real game heard as a player would hear it: a recording
// written here (food fed to one tooth, then three, the brush and the drill
// coming as they please, a quiet end with the food put aside) is rendered by
// velmora-replay --sound, on the recording's own clock, in a few seconds. The
// whole game's loudness and true peak, and the loops without a seam where
// they sound, are measured from that file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/sound_listening.h"
#include "tests/sound_measures.h"
#include "tests/temp_files.h"

namespace {

constexpr int gameSeconds = 185;
constexpr int quietFrom = 172;  // the food is put aside: the bed alone, but for the tools
constexpr int frameMs = 16;

// The loudness the mix is made for, and how far a game may stray from it.
constexpr double targetLufs = -18;
constexpr double allowedLu = 2;
constexpr double highestTruePeak = -1;

struct Feeding {
    int fromSecond, toSecond;
    int x, y;  // window pixels on one tooth alone
};

// The recording: every second, each piece of food in play is dragged from its
// start onto its tooth, which moves it only when a strike has put it back;
// at the times below it is moved on to a fresh tooth, and at the end aside.
std::string gameScript() {
    const int starts[3][2] = {{325, 50}, {400, 50}, {475, 50}};
    const std::vector<Feeding> plans[3] = {
        {{3, 45, 320, 200}, {45, 100, 312, 400}, {100, quietFrom, 500, 420}},
        {{70, 130, 480, 210}, {130, quietFrom, 407, 400}},
        {{70, 120, 610, 230}, {120, quietFrom, 595, 420}},
    };
    const int aside[3][2] = {{690, 560}, {730, 560}, {770, 560}};
    std::ostringstream out;
    int clock = 0;
    const auto frames = [&](int n) {
        out << "frames " << n << " " << frameMs << "\n";
        clock += n * frameMs;
    };
    // Held for a few frames, so that each update sees it picked up and put down.
    const auto drag = [&](int fromX, int fromY, int toX, int toY) {
        out << "mouse 0 0 " << fromX << " " << fromY << "\n";
        frames(2);
        out << "motion " << toX << " " << toY << "\n";
        frames(2);
        out << "mouse 0 1 " << toX << " " << toY << "\n";
    };
    for (int s = 0; s < gameSeconds; ++s) {
        for (int f = 0; f < 3; ++f) {
            const std::vector<Feeding>& plan = plans[f];
            for (std::size_t i = 0; i < plan.size(); ++i) {
                if (plan[i].fromSecond <= s && s < plan[i].toSecond)
                    drag(starts[f][0], starts[f][1], plan[i].x, plan[i].y);
                if (i > 0 && s == plan[i].fromSecond) drag(plan[i - 1].x, plan[i - 1].y, plan[i].x, plan[i].y);
            }
            if (s == quietFrom) drag(plan.back().x, plan.back().y, aside[f][0], aside[f][1]);
        }
        frames(((s + 1) * 1000 - clock) / frameMs);
    }
    return out.str();
}

// The loudness range as EBU R128 measures it (ffmpeg's LRA): the spread from
// the 10th to the 95th percentile of the 3 s loudness, stepped by a tenth of a
// second, of the windows above -70 LUFS and no more than 20 LU under their mean.
double loudnessRange(const Recording& recording) {
    std::vector<double> heard;
    double power = 0;
    for (double l : shortLoudness(recording, 3.0, 0.1))
        if (l > -70) heard.push_back(l), power += std::pow(10.0, l / 10);
    if (heard.empty()) return 0;
    const double gate = 10 * std::log10(power / double(heard.size())) - 20;
    std::vector<double> kept;
    for (double l : heard)
        if (l > gate) kept.push_back(l);
    std::sort(kept.begin(), kept.end());
    const auto at = [&](double share) { return kept[std::size_t(share * double(kept.size() - 1) + 0.5)]; };
    return at(0.95) - at(0.10);
}

// Stretches of time in seconds: of the game's clock, or of the sound file once mapped there.
struct Stretch {
    double from, to;
};

// Stretches where a phase holds, each shortened by margin at both ends.
std::vector<Stretch> whilePhase(const std::vector<TraceFrame>& frames, int TraceFrame::*tool, int phase,
                                double margin) {
    std::vector<Stretch> found;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].*tool != phase) continue;
        std::size_t j = i;
        while (j + 1 < frames.size() && frames[j + 1].*tool == phase) ++j;
        if (frames[j].seconds - frames[i].seconds > 2 * margin + 1)
            found.push_back({frames[i].seconds + margin, frames[j].seconds - margin});
        i = j;
    }
    return found;
}

// The stretches without the second after each change of the other tool or of
// the falling teeth: the mix makes room for what starts there, and turns the
// bed up when a visit ends, which is the mix's doing, not a seam of the loop.
// What is left under a second is not judged.
std::vector<Stretch> apartFromOthers(const std::vector<Stretch>& stretches, const std::vector<TraceFrame>& frames,
                                     int TraceFrame::*other) {
    std::vector<double> changes;
    for (std::size_t i = 1; i < frames.size(); ++i)
        if (frames[i].*other != frames[i - 1].*other || frames[i].falling != frames[i - 1].falling)
            changes.push_back(frames[i].seconds);
    std::vector<Stretch> found;
    for (Stretch s : stretches) {
        for (double change : changes) {
            if (change + 1.0 <= s.from || change - 0.1 >= s.to) continue;
            if (change - 0.1 - s.from >= 1.0) found.push_back({s.from, change - 0.1});
            s.from = change + 1.0;
        }
        if (s.to - s.from >= 1.0) found.push_back(s);
    }
    return found;
}

// Stretches of at least a second where only the bed sounds: no tool about,
// no birth's pop still to come, no event ringing.
std::vector<Stretch> bedAlone(const std::vector<TraceFrame>& frames) {
    std::vector<Stretch> found;
    double quietSince = -1, lastSound = -10;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const TraceFrame &f = frames[i], &b = frames[i - 1];
        const bool event = f.heldFood != b.heldFood || f.falling != b.falling || f.brushPhase != b.brushPhase ||
                           f.drillPhase != b.drillPhase;
        if (event || f.births > 0 || f.brushPhase != 0 || f.drillPhase != 0) lastSound = f.seconds;
        const bool quiet = f.seconds - lastSound > 1.0 && f.bacteria > 0;
        if (quiet && quietSince < 0) quietSince = f.seconds;
        if ((!quiet || i + 1 == frames.size()) && quietSince >= 0) {
            if (f.seconds - quietSince > 1.0) found.push_back({quietSince, f.seconds - 0.1});
            quietSince = -1;
        }
    }
    return found;
}

TEST(HearingAWholeGame, ItMeasuresAbout18LufsPeaksUnderMinus1DbtpAndNoLoopHasASeam) {
    TempFolder folder;
    const std::string script = folder.file("game.txt"), trace = folder.file("trace.jsonl"),
                      wav = folder.file("heard.wav");
    std::ofstream(script) << gameScript();
    const std::string command = "'" VELMORA_REPLAY "' --no-draw --sound '" + wav + "' '" + script + "' > '" + trace +
                                "' 2> '" + folder.file("replay.log") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << readText(folder.file("replay.log"));

    // VELMORA_KEEP_HEARD=FILE keeps the mix, to listen to or to measure with
    // other tools, and its trace beside it in FILE.trace.
    if (const char* keep = std::getenv("VELMORA_KEEP_HEARD")) {
        std::filesystem::copy_file(wav, keep, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(trace, std::string(keep) + ".trace",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    const std::vector<TraceFrame> frames = framesInTrace(trace);
    ASSERT_GT(frames.size(), 10000u);
    const Recording heard = readRecording(wav);
    ASSERT_GT(heard.rate, 0) << "no WAV from the replay";
    // The file keeps the game's clock: it starts at the clock's 0, and each
    // frame's sounds start at its reading.
    const auto sampleAt = [&](double fileSeconds) {
        return std::min(heard.mono.size(), static_cast<std::size_t>(std::max(0.0, fileSeconds) * heard.rate));
    };
    // The first update starts the bed under the teeth's first bacteria.
    std::size_t first = 0;
    while (first < heard.mono.size() && std::fabs(heard.mono[first]) < 1e-4f) ++first;

    // The whole game: its loudness and its peaks.
    Recording game = heard;
    const std::size_t end = sampleAt(frames.back().seconds + 0.5);
    for (auto& channel : game.channels) channel.assign(channel.begin() + long(first), channel.begin() + long(end));
    game.mono.assign(game.mono.begin() + long(first), game.mono.begin() + long(end));
    const double loudness = integratedLoudness(game), peak = truePeakDbtp(game);
    std::printf(
        "%.0f s of game heard: %.1f LUFS integrated, true peak %.1f dBTP (as ffmpeg -i FILE -af "
        "ebur128=peak=true measures them)\n",
        double(game.mono.size()) / game.rate, loudness, peak);
    EXPECT_NEAR(loudness, targetLufs, allowedLu);
    EXPECT_LE(peak, highestTruePeak);
    // A calm mouth is heard and a busy one does not shout: the game's
    // loudness range stays narrow.
    const double range = loudnessRange(game);
    std::printf("loudness range %.1f LU\n", range);
    EXPECT_LT(range, 10);
    // Full band: the strikes' sparkle is heard, the loudest 50 ms above
    // 12 kHz within 30 dB of the loudest 50 ms of the whole mix.
    const auto loudest = [&](const std::vector<float>& samples) {
        const std::vector<double> levels = windowLevels(samples, heard.rate, 0.05);
        return *std::max_element(levels.begin(), levels.end());
    };
    const double bright = loudest(game.mono) - loudest(highPassed(game.mono, heard.rate, 12000));
    std::printf("loudest 50 ms above 12 kHz: %.1f dB under the loudest of the mix\n", bright);
    EXPECT_LT(bright, 30);

    // No seams: within every stretch where a loop sounds, no 20 ms falls
    // more than 10 dB below the stretch's median. The stretches are found in
    // the trace; what is shorter than a second is not judged.
    const auto inFile = [&](const std::vector<Stretch>& stretches) {
        std::vector<Stretch> found;
        for (const Stretch& s : stretches)
            if (s.to - s.from >= 1.0) found.push_back(s);
        return found;
    };
    const auto part = [&](double from, double to) {
        return std::vector<float>(heard.mono.begin() + long(sampleAt(from)), heard.mono.begin() + long(sampleAt(to)));
    };
    struct Dip {
        double depth = 0, fileSeconds = 0;
        Stretch in{0, 0};
    };
    const auto deepestDip = [&](const Stretch& s) {
        const std::vector<double> levels = windowLevels(part(s.from, s.to), heard.rate, 0.02);
        const auto lowest = std::min_element(levels.begin(), levels.end());
        return Dip{median(levels) - *lowest, s.from + 0.02 * double(lowest - levels.begin()), s};
    };
    // A tool's stretch starts where its loop is heard: the first 20 ms at
    // the loop's level (within 6 dB of the median of the stretch's middle
    // half), looked for from the phase's start on, at most 0.8 s later, as
    // the loop rises into the room the mix leaves it.
    constexpr double edge = 0.3, mostLate = 0.8;
    const auto whereHeard = [&](std::vector<Stretch> stretches) {
        for (Stretch& s : stretches) {
            const double quarter = (s.to - s.from) / 4;
            const double loopLevel = median(windowLevels(part(s.from + quarter, s.to - quarter), heard.rate, 0.02));
            const std::vector<double> levels =
                windowLevels(part(s.from - edge, s.from - edge + mostLate), heard.rate, 0.02);
            const auto heardFrom =
                std::find_if(levels.begin(), levels.end(), [&](double l) { return l >= loopLevel - 6; });
            s.from += 0.02 * double(heardFrom - levels.begin());
            s.from = std::min(s.from, s.to - 1.0);
        }
        return stretches;
    };
    struct Loop {
        const char* what;
        std::vector<Stretch> stretches;
    };
    const Loop loops[] = {
        {"the drill working", whereHeard(inFile(apartFromOthers(whilePhase(frames, &TraceFrame::drillPhase, 1, edge),
                                                                frames, &TraceFrame::brushPhase)))},
        {"the brush scrubbing", whereHeard(inFile(apartFromOthers(whilePhase(frames, &TraceFrame::brushPhase, 2, edge),
                                                                  frames, &TraceFrame::drillPhase)))},
        {"the bed alone", inFile(bedAlone(frames))},
    };
    for (const Loop& loop : loops) {
        SCOPED_TRACE(loop.what);
        ASSERT_FALSE(loop.stretches.empty());
        Dip deepest;
        double seconds = 0;
        for (const Stretch& s : loop.stretches) {
            const Dip dip = deepestDip(s);
            if (dip.depth > deepest.depth) deepest = dip;
            seconds += s.to - s.from;
        }
        std::printf(
            "%s: %zu stretches, %.1f s, deepest 20 ms dip %.1f dB under the median, %.2f s into the file (in "
            "%.2f-%.2f)\n",
            loop.what, loop.stretches.size(), seconds, deepest.depth, deepest.fileSeconds, deepest.in.from,
            deepest.in.to);
        EXPECT_LE(deepest.depth, 10.0);
    }
    // Bristles, not hiss: while the brush scrubs, what lies above 6 kHz is
    // far under the scrubbing.
    double scrubbing = 0, above6k = 0;
    for (const Stretch& s : loops[1].stretches) {
        const std::vector<float> sound = part(s.from, s.to), high = highPassed(sound, heard.rate, 6000);
        scrubbing += std::pow(10.0, levelDb(sound, 0, sound.size()) / 10) * (s.to - s.from);
        above6k += std::pow(10.0, levelDb(high, 0, high.size()) / 10) * (s.to - s.from);
    }
    std::printf("the scrubbing above 6 kHz: %.1f dB under it\n", 10 * std::log10(scrubbing / above6k));
    EXPECT_GT(10 * std::log10(scrubbing / above6k), 20);

    // How the parts sit in the game, for the record: each sound's own level
    // is measured alone by sound_mix_test.
    const std::vector<double> loudness100 = shortLoudness(heard, 0.1, 0.05);
    const auto medianOver = [&](const std::vector<Stretch>& stretches) {
        std::vector<double> all;
        for (const Stretch& s : stretches) {
            const auto at = [&](double t) { return std::min(loudness100.size(), sampleAt(t) / (heard.rate / 20)); };
            all.insert(all.end(), loudness100.begin() + long(at(s.from)), loudness100.begin() + long(at(s.to)));
        }
        return median(all);
    };
    std::printf("median 100 ms loudness: the drill working %.1f LUFS, the brush scrubbing %.1f, the bed alone %.1f\n",
                medianOver(loops[0].stretches), medianOver(loops[1].stretches), medianOver(loops[2].stretches));
}

}  // namespace
