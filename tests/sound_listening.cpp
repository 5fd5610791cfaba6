// The onset finder works on energy in 2.5 ms steps: a step holding several
// times the energy of the 17.5 ms before it starts a sound. Soft sounds that
// swell (swishes, scrub strokes) rise too slowly to count; the game's pops,
// plops and strikes rise in a few milliseconds.
#include "tests/sound_listening.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "tests/temp_files.h"

namespace {

std::uint32_t le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }
unsigned le16(const unsigned char* p) { return p[0] | (p[1] << 8); }

constexpr double stepSeconds = 0.0025;
constexpr int lookBackSteps = 7;
constexpr double leap = 6.0;               // energy ratio that starts a sound
constexpr double quietestOnset = 1.25e-3;  // mean square, -29 dBFS: over the bubbling bed
constexpr double shortestGap = 0.025;      // one sound's own ripples are not new sounds

// The game's trace fields, read without a JSON library: each line is one
// object and the names below occur once each, apart from the teeth's "n".
double numberAfter(const std::string& line, const std::string& key, std::size_t from = 0) {
    const std::size_t at = line.find(key, from);
    return at == std::string::npos ? 0 : std::atof(line.c_str() + at + key.size());
}

}  // namespace

Recording readRecording(const std::string& path) {
    const Bytes b = readFile(path);
    Recording r;
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVE", 4)) return r;
    unsigned format = 0, channels = 0, bits = 0;
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        const std::uint32_t length = le32(&b[at + 4]);
        if (!std::memcmp(&b[at], "fmt ", 4) && at + 24 <= b.size()) {
            format = le16(&b[at + 8]);
            channels = le16(&b[at + 10]);
            r.rate = static_cast<int>(le32(&b[at + 12]));
            bits = le16(&b[at + 22]);
            // Extensible: the sub-format's first two bytes are the real tag.
            if (format == 0xFFFE && length >= 40 && at + 34 <= b.size()) format = le16(&b[at + 32]);
        } else if (!std::memcmp(&b[at], "data", 4)) {
            // A file whose writer was stopped early says no size: take what is there.
            std::size_t bytes = b.size() - at - 8;
            if (length != 0 && length < bytes) bytes = length;
            const bool isFloat = format == 3 && bits == 32, isShort = format == 1 && bits == 16;
            if (!channels || (!isFloat && !isShort)) return Recording{};
            const std::size_t width = bits / 8, frames = bytes / (width * channels);
            r.dataStart = at + 8;
            r.frameBytes = width * channels;
            r.mono.resize(frames);
            r.channels.assign(channels, std::vector<float>(frames));
            const unsigned char* p = &b[at + 8];
            for (std::size_t f = 0; f < frames; ++f) {
                float sum = 0;
                for (unsigned c = 0; c < channels; ++c, p += width) {
                    float v;
                    if (isFloat) {
                        const std::uint32_t u = le32(p);
                        std::memcpy(&v, &u, 4);
                    } else {
                        v = static_cast<std::int16_t>(le16(p)) / 32768.0f;
                    }
                    r.peak = std::fmax(r.peak, std::fabs(v));
                    r.channels[c][f] = v;
                    sum += v;
                }
                r.mono[f] = sum / channels;
            }
            return r;
        }
        at += 8 + length + (length & 1);
    }
    return Recording{};
}

Recording recordingOf(const std::vector<float>& interleaved, int channels, int rate) {
    Recording r;
    if (channels <= 0 || rate <= 0) return r;
    const std::size_t frames = interleaved.size() / std::size_t(channels);
    r.rate = rate;
    r.frameBytes = 4 * std::size_t(channels);
    r.mono.resize(frames);
    r.channels.assign(std::size_t(channels), std::vector<float>(frames));
    for (std::size_t f = 0; f < frames; ++f) {
        float sum = 0;
        for (std::size_t c = 0; c < std::size_t(channels); ++c) {
            const float v = interleaved[f * std::size_t(channels) + c];
            r.peak = std::fmax(r.peak, std::fabs(v));
            r.channels[c][f] = v;
            sum += v;
        }
        r.mono[f] = sum / float(channels);
    }
    return r;
}

bool writeRecording(const std::string& path, const Recording& recording) {
    const std::size_t channels = recording.channels.size();
    const std::size_t frames = channels ? recording.channels[0].size() : 0;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames * channels * 4);
    Bytes b;
    const auto text = [&](const char* four) { b.insert(b.end(), four, four + 4); };
    const auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    const auto put16 = [&](unsigned v) {
        b.push_back(static_cast<unsigned char>(v));
        b.push_back(static_cast<unsigned char>(v >> 8));
    };
    text("RIFF");
    put32(36 + dataBytes);
    text("WAVE");
    text("fmt ");
    put32(16);
    put16(3);  // IEEE float
    put16(static_cast<unsigned>(channels));
    put32(static_cast<std::uint32_t>(recording.rate));
    put32(static_cast<std::uint32_t>(recording.rate * channels * 4));
    put16(static_cast<unsigned>(channels * 4));
    put16(32);
    text("data");
    put32(dataBytes);
    for (std::size_t f = 0; f < frames; ++f)
        for (std::size_t c = 0; c < channels; ++c) {
            std::uint32_t u;
            std::memcpy(&u, &recording.channels[c][f], 4);
            put32(u);
        }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return bool(out);
}

std::vector<double> findOnsets(const Recording& recording) {
    std::vector<double> onsets;
    if (recording.rate <= 0) return onsets;
    const auto hop = static_cast<std::size_t>(recording.rate * stepSeconds);
    const std::size_t steps = recording.mono.size() / hop;
    std::vector<double> energy(steps);
    for (std::size_t s = 0; s < steps; ++s) {
        double sum = 0;
        for (std::size_t i = s * hop; i < (s + 1) * hop; ++i) sum += double(recording.mono[i]) * recording.mono[i];
        energy[s] = sum / hop;
    }
    for (std::size_t s = lookBackSteps; s < steps; ++s) {
        double before = 0;
        for (std::size_t k = s - lookBackSteps; k < s; ++k) before += energy[k];
        before /= lookBackSteps;
        const double t = s * stepSeconds;
        if (energy[s] > quietestOnset && energy[s] > leap * before &&
            (onsets.empty() || t - onsets.back() > shortestGap))
            onsets.push_back(t);
    }
    return onsets;
}

HeardEvents eventsInTrace(const std::string& tracePath) {
    HeardEvents events;
    std::ifstream trace(tracePath);
    std::string line;
    bool first = true;
    int held = -1, bacteria = 0, brushPhase = 0;
    while (std::getline(trace, line)) {
        const double t = numberAfter(line, "\"elapsedMs\":") / 1000.0;
        const int nowHeld = static_cast<int>(numberAfter(line, "\"heldFood\":"));
        const std::size_t brush = line.find("\"brush\":");
        const int nowBrush = static_cast<int>(numberAfter(line, "\"phase\":", brush));
        // The standing teeth's bacteria: every "n" before the falling list.
        const std::size_t falling = line.find("\"falling\":");
        int nowBacteria = 0;
        for (std::size_t at = line.find("\"n\":"); at < falling; at = line.find("\"n\":", at + 1))
            nowBacteria += static_cast<int>(numberAfter(line, "\"n\":", at));
        if (!first) {
            if (held < 0 && nowHeld >= 0 && events.pickUp < 0) events.pickUp = t;
            if (held >= 0 && nowHeld < 0 && events.drop < 0) events.drop = t;
            // Pops while the brush visits make way for it, under its scrubbing.
            if (nowBacteria > bacteria && nowBrush == 0 && events.brushStrike < 0) events.births.push_back(t);
            if (brushPhase == 0 && nowBrush == 1 && events.brushIn < 0) events.brushIn = t;
            if (brushPhase == 2 && nowBrush == 3 && events.brushStrike < 0) events.brushStrike = t;
        }
        first = false;
        held = nowHeld;
        bacteria = nowBacteria;
        brushPhase = nowBrush;
    }
    return events;
}

std::vector<TraceFrame> framesInTrace(const std::string& tracePath) {
    std::vector<TraceFrame> frames;
    std::ifstream trace(tracePath);
    std::string line;
    // Standing teeth never move: each is known by where it stands.
    std::vector<std::pair<std::pair<int, int>, int>> before, now;
    while (std::getline(trace, line)) {
        TraceFrame f;
        f.seconds = numberAfter(line, "\"elapsedMs\":") / 1000.0;
        f.heldFood = static_cast<int>(numberAfter(line, "\"heldFood\":"));
        f.brushPhase = static_cast<int>(numberAfter(line, "\"phase\":", line.find("\"brush\":")));
        f.drillPhase = static_cast<int>(numberAfter(line, "\"phase\":", line.find("\"drill\":")));
        const std::size_t falling = line.find("\"falling\":"), tools = line.find("\"brush\":");
        now.clear();
        for (std::size_t at = line.find("{\"x\":"); at < falling; at = line.find("{\"x\":", at + 1)) {
            const std::pair<int, int> place{static_cast<int>(numberAfter(line, "\"x\":", at)),
                                            static_cast<int>(numberAfter(line, "\"y\":", at))};
            const int n = static_cast<int>(numberAfter(line, "\"n\":", at));
            now.push_back({place, n});
            f.bacteria += n;
            for (const auto& [was, wasN] : before)
                if (was == place && n > wasN) f.births += n - wasN;
        }
        for (std::size_t at = line.find("{\"x\":", falling); at < tools; at = line.find("{\"x\":", at + 1)) ++f.falling;
        if (frames.empty()) f.births = 0;
        before.swap(now);
        frames.push_back(f);
    }
    return frames;
}

double peakDbfs(const Recording& recording) { return 20 * std::log10(recording.peak); }
