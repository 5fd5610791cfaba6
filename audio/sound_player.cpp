// Fixed voices, made when the player opens: one per loop, six for the pops
// and a pool of eight for everything else, every level set here against one
// overall gain. A pop finding all its voices busy is dropped; an event never
// is: the event with the least still to sound gives way to it, so that a
// recording watched many times as fast is heard event for event. The mix keeps
// its own headroom (the summed peaks still to come of all that plays), which
// is the whole of its limiting, the same on the desktop and in the browser.
#include "audio/sound_player.h"

#include <AL/al.h>
#include <AL/alc.h>
#if __has_include(<AL/alext.h>)
#include <AL/alext.h>
#endif

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "audio/loop_takes.h"
#include "audio/wav_file.h"
#include "gfx/diagnostic.h"

const char* const soundFiles[soundNameCount][mostVariants] = {
    {"sounds/pick_up.wav"},
    {"sounds/put_down_1.wav", "sounds/put_down_2.wav", "sounds/put_down_3.wav"},
    {"sounds/pop_1.wav", "sounds/pop_2.wav", "sounds/pop_3.wav"},
    {"sounds/bubbles.wav", "sounds/bubbles_2.wav", "sounds/bubbles_3.wav", "sounds/bubbles_4.wav"},
    {"sounds/brush_in.wav"},
    {"sounds/brush_scrub.wav"},
    {"sounds/brush_strike_1.wav", "sounds/brush_strike_2.wav", "sounds/brush_strike_3.wav"},
    {"sounds/brush_out.wav"},
    {"sounds/drill_whirr.wav", "sounds/drill_whirr_2.wav", "sounds/drill_whirr_3.wav", "sounds/drill_whirr_4.wav"},
    {"sounds/drill_strike_1.wav", "sounds/drill_strike_2.wav", "sounds/drill_strike_3.wav"},
    {"sounds/drill_out.wav"},
    {"sounds/crack_1.wav", "sounds/crack_2.wav", "sounds/crack_3.wav"},
    {"sounds/thud.wav"},
};

namespace {

#ifndef AL_SOURCE_SPATIALIZE_SOFT
#define AL_SOURCE_SPATIALIZE_SOFT 0x1214  // emscripten's OpenAL knows it, its headers do not
#endif

// How each sound sits in the mix: its gain against the others, and how far
// each playing may stray from it in pitch (a share either way) and level
// (decibels either way), drawn from the player's own random sequence.
struct Shape {
    float gain;
    float pitchSpread;
    float levelSpreadDb;
};

// The order of loudness a player can follow: the strikes above all, the
// tools' comings and goings next, then the tooth's crack and thud and the
// food's squeak and plop; the pops of births under every event; the brush's
// scrubbing at the pops' level, with the swarm making way while it visits;
// and under the pops the loops that only say something is there (the drill
// at work, the swarm's bubbling). The levels measured are in the README.
const Shape shapes[soundNameCount] = {
    {0.50f, 0.04f, 1.0f},  // pick up
    {0.43f, 0.06f, 1.5f},  // put down
    {0.30f, 0.15f, 2.0f},  // pop
    {0.20f, 0, 0},         // bubbles, at their loudest
    {0.50f, 0.03f, 1.0f},  // brush in
    {0.35f, 0, 0},         // scrub
    {0.53f, 0.02f, 1.0f},  // brush strike
    {0.45f, 0.03f, 1.0f},  // brush out
    {0.16f, 0, 0},         // drill whirr
    {0.55f, 0.02f, 1.0f},  // drill strike
    {0.45f, 0.03f, 1.0f},  // drill out
    {0.55f, 0.06f, 1.5f},  // crack
    {0.50f, 0.08f, 1.5f},  // thud
};

// Everything above is heard through this, the listener's gain.
constexpr float mixGain = 3.16f;
// OpenAL Soft sends a mono sound at the listener to each of two speakers at
// -4.5 dB; Web Audio's up-mix, which emscripten's OpenAL leaves it to when a
// source is not placed in space, copies it at full level. The page plays
// that much quieter, so both mix alike.
#ifdef __EMSCRIPTEN__
constexpr float centreShare = 0.5956f;
#else
constexpr float centreShare = 1.0f;
#endif

// Headroom: the peaks still to come of everything playing, summed as each
// speaker gets them (OpenAL Soft's -4.5 dB included), are kept at or below
// -1.5 dBFS, which holds the peaks a speaker rebuilds between samples under
// -1 dBFS too. The events come first: the pops and loops make way for them.
constexpr float speakerShare = 0.5956f;
constexpr float loudestSum = 0.841f / speakerShare / mixGain;
// A sound's peaks are kept for stretches of this many samples: the loudest
// from each stretch to its end.
constexpr int peakStretch = 256;
constexpr int mostPeakStretches = 256;
// An event is still heard at a twentieth of its level; a pop so far under
// its own is not worth its voice.
constexpr float leastEventShare = 0.05f;
constexpr float leastPopShare = 0.25f;
// The loops make way for an event down to half their level (-6 dB) and no
// further: they come back up only as the updates come, and a busy machine
// that holds the updates back would otherwise leave a hole in the mix once
// the event had rung out. What they keep is taken from the event's room.
constexpr float leastLoopShare = 0.5f;

// The desktop mixes at the rate the brightest sounds are made at; the page
// takes its audio context's own rate, which the browser chooses.
#ifndef __EMSCRIPTEN__
constexpr int mixingRate = 48000;
#endif
// The loops made of takes are joined into this long a loop: longer than any
// stretch a listener holds in mind, and a few megabytes at most.
constexpr double joinedLoopSeconds = 40;
constexpr int popVoices = 6;
constexpr int otherVoices = 8;
constexpr int mostWaitingPops = 32;
constexpr double popSpreadSeconds = 0.25;   // a birth's pop comes within this of it
constexpr float bedQuietest = 0.3f;         // share of the bed's gain with one bacterium
constexpr int bacteriaForLoudestBed = 400;  // four teeth teeming
// While the brush visits, the pops and the bed make way for it, sliding down
// and back up at a rate that never clicks. The drill's whirr, far under the
// scrubbing already, keeps its level: dipping it would open a hole in it.
constexpr float brushDucking = 0.4f;  // -8 dB
constexpr float duckingPerSecond = 4.0f;
// The scrubbing dies away over its last quarter second, to -12 dB, and the
// strike that ends it rings out in the clear.
constexpr float scrubEndingSeconds = 0.25f;
constexpr float scrubEndShare = 0.25f;
// A loop is never cut off mid-wave, which would click: it is turned down
// (OpenAL ramps a gain change over its next mix) and stopped this long after.
constexpr double secondsToTurnDown = 0.15;

// A voice counts as busy for as long as OpenAL says it plays, not for as long
// as its sound lasts on the player's clock: a mixer kept waiting by a loaded
// machine starts late whatever was started meanwhile, all in the same place,
// and the headroom must count them all.
struct Voice {
    ALuint source = 0;
    SoundName sound = PickUpSound;
    int variant = 0;
    float gain = 0;
};

struct Loop {
    ALuint source = 0;
    SoundName sound = BubblesSound;
    bool playing = false;
    double quietSince = -1;  // when it was turned down; -1 while it sounds
    float gain = 0;          // as last set
};

struct Peaks {
    int stretchSamples = peakStretch;
    int stretches = 0;
    float from[mostPeakStretches] = {};  // the loudest sample from each stretch on
};

struct Player {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    ALuint buffers[soundNameCount][mostVariants] = {};
    bool loaded[soundNameCount][mostVariants] = {};
    Peaks peaks[soundNameCount][mostVariants];
    int lastVariant[soundNameCount] = {};
    Loop bubbles{0, BubblesSound}, scrub{0, BrushScrubSound}, whirr{0, DrillWhirrSound};
    Voice pops[popVoices];
    Voice others[otherVoices];
    double waitingPops[mostWaitingPops] = {};  // when each is due
    int waitingCount = 0;
    float ducking = 1;     // the brush's visit
    float background = 1;  // the pops' and loops' share left them by the events
    double lastCall = -1;
    bool on = true;
    bool rendering = false;  // on the loopback device: mixed only when asked
    // The player's own sequence, started afresh at each opening, so the same
    // cues at the same clock readings play the same; the game's is never touched.
    std::uint32_t variation = 12345;
    long started = 0;
};

Player player;

float nextVariation() {
    player.variation = player.variation * 1664525u + 1013904223u;
    return static_cast<float>(player.variation >> 8) / 16777215.0f;  // 0 to 1
}

// Any loaded variant but the one played last, so none comes twice running
// unless it is the only one.
int pickVariant(SoundName name) {
    int choices[mostVariants];
    int count = 0, last = -1;
    for (int v = 0; v < mostVariants; ++v) {
        if (!player.loaded[name][v]) continue;
        if (v == player.lastVariant[name])
            last = v;
        else
            choices[count++] = v;
    }
    if (count == 0) return last;
    const int pick = choices[std::min(count - 1, static_cast<int>(nextVariation() * static_cast<float>(count)))];
    player.lastVariant[name] = pick;
    return pick;
}

bool playing(ALuint source) {
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

// The loudest the rest of a voice's sound can be, at its gain; a sound the
// mixer has not begun counts whole.
float peakToCome(const Voice& voice) {
    if (!playing(voice.source)) return 0;
    ALint offset = 0;
    alGetSourcei(voice.source, AL_SAMPLE_OFFSET, &offset);
    const Peaks& peaks = player.peaks[voice.sound][voice.variant];
    const int stretch = std::clamp(offset / peaks.stretchSamples, 0, std::max(0, peaks.stretches - 1));
    return voice.gain * peaks.from[stretch];
}

float peaksToCome(const Voice* voices, int count) {
    float sum = 0;
    for (int i = 0; i < count; ++i) sum += peakToCome(voices[i]);
    return sum;
}

float loopPeaks() {
    float sum = 0;
    for (const Loop* loop : {&player.bubbles, &player.scrub, &player.whirr})
        if (loop->playing) sum += loop->gain * player.peaks[loop->sound][0].from[0];
    return sum;
}

void setLoopGain(Loop& loop, float gain) {
    loop.gain = gain;
    alSourcef(loop.source, AL_GAIN, gain);
}

// The share of their present level the loops may still give up.
float loopShareLeft() { return player.background > leastLoopShare ? leastLoopShare / player.background : 1.0f; }

// An event about to start with the given peak: the pops and loops playing
// are turned down together as far as the headroom needs (OpenAL ramps each
// change over its next mix, so nothing clicks), the loops no further than
// their least share and the pops the rest; the loops come back up over the
// next updates.
void makeRoom(float eventPeak) {
    const float pops = peaksToCome(player.pops, popVoices), loops = loopPeaks();
    const float over = peaksToCome(player.others, otherVoices) + eventPeak + pops + loops - loudestSum;
    if (over <= 0 || pops + loops <= 0) return;
    const float loopShare = std::max(loopShareLeft(), 1 - over / (pops + loops));
    const float popShare = pops > 0 ? std::clamp(1 - (over - (1 - loopShare) * loops) / pops, 0.0f, 1.0f) : 1.0f;
    for (Voice& v : player.pops)
        if (playing(v.source)) {
            v.gain *= popShare;
            alSourcef(v.source, AL_GAIN, v.gain);
        }
    player.background *= loopShare;
    for (Loop* loop : {&player.bubbles, &player.scrub, &player.whirr})
        if (loop->playing) setLoopGain(*loop, loop->gain * loopShare);
}

// The events sounding give way to a new one, together, as far as the
// headroom needs: a watch many times as fast crowds them.
void turnDownEvents(float over) {
    const float events = peaksToCome(player.others, otherVoices);
    if (over <= 0 || events <= 0) return;
    const float share = std::max(0.0f, 1 - over / events);
    for (Voice& v : player.others)
        if (playing(v.source)) {
            v.gain *= share;
            alSourcef(v.source, AL_GAIN, v.gain);
        }
}

// A voice for a new sound: a free one; for an event, failing that, the one
// with the least of its sound still to come, which stops.
Voice* voiceFor(Voice* voices, int count, bool event) {
    Voice* least = nullptr;
    float leastToCome = 0;
    for (int i = 0; i < count; ++i) {
        if (!playing(voices[i].source)) return &voices[i];
        const float toCome = peakToCome(voices[i]);
        if (!least || toCome < leastToCome) least = &voices[i], leastToCome = toCome;
    }
    if (!event || !least) return nullptr;
    alSourceStop(least->source);
    return least;
}

bool anyVariant(SoundName name) {
    for (int v = 0; v < mostVariants; ++v)
        if (player.loaded[name][v]) return true;
    return false;
}

// Starts a sound on a voice of the given ones; false when there is none, no
// file, or a pop would have to be quieter than leastPopShare of its own
// level. An event is fitted under the other events (the rest giving way to
// it), and when they leave it less than leastEventShare they give way too; a
// pop is fitted under everything. A sound without a file takes no voice: an
// event stops another only to be heard in its place.
bool startOn(Voice* voices, int count, SoundName name, float gainShare, bool event) {
    if (!anyVariant(name)) return false;
    Voice* voice = voiceFor(voices, count, event);
    if (!voice) return false;
    const int variant = pickVariant(name);
    const Shape& shape = shapes[name];
    const float pitch = 1.0f + shape.pitchSpread * (2 * nextVariation() - 1);
    const float levelDb = shape.levelSpreadDb * (2 * nextVariation() - 1);
    const float wanted = shape.gain * gainShare * std::pow(10.0f, levelDb / 20);
    const float peak = player.peaks[name][variant].from[0];
    float room = loudestSum - peaksToCome(player.others, otherVoices);
    room -= event ? loopPeaks() * loopShareLeft() : peaksToCome(player.pops, popVoices) + loopPeaks();
    float gain = peak > 0 ? std::min(wanted, std::max(0.0f, room) / peak) : wanted;
    if (!event && gain < wanted * leastPopShare) return false;
    if (event && gain < wanted * leastEventShare) {
        turnDownEvents(wanted * peak - std::max(0.0f, room));
        // The events sounding gave up what they had; an event louder than
        // all the room the loops at their least leave plays as loud as that.
        const float left = loudestSum - peaksToCome(player.others, otherVoices) - loopPeaks() * loopShareLeft();
        gain = std::min(wanted, std::max(0.0f, left) / peak);
    }
    if (event) {
        makeRoom(gain * peak);
        // OpenAL starts a sound at once, but the gains set since the update
        // began wait until the context is processed: the room just made must
        // reach the mixer first, or a busy machine that holds the game back
        // here has the event mixed over everything at its old level.
        alcProcessContext(player.context);
        alcSuspendContext(player.context);
    }
    alSourceStop(voice->source);
    alSourcei(voice->source, AL_BUFFER, static_cast<ALint>(player.buffers[name][variant]));
    alSourcef(voice->source, AL_GAIN, gain);
    alSourcef(voice->source, AL_PITCH, pitch);
    alSourcePlay(voice->source);
    voice->sound = name;
    voice->variant = variant;
    voice->gain = gain;
    ++player.started;
    return true;
}

void startOneShot(SoundName name) { startOn(player.others, otherVoices, name, 1.0f, true); }

void holdLoop(Loop& loop, bool wanted, float gain, double now) {
    if (!player.loaded[loop.sound][0]) return;
    if (wanted) {
        if (!loop.playing) {
            alSourceStop(loop.source);
            alSourcei(loop.source, AL_BUFFER, static_cast<ALint>(player.buffers[loop.sound][0]));
            setLoopGain(loop, gain);
            alSourcePlay(loop.source);
            loop.playing = true;
            ++player.started;
        }
        setLoopGain(loop, gain);
        loop.quietSince = -1;
    } else if (loop.playing) {
        if (loop.quietSince < 0) {
            setLoopGain(loop, 0);
            loop.quietSince = now;
        } else if (now - loop.quietSince > secondsToTurnDown) {
            alSourceStop(loop.source);
            loop.playing = false;
            loop.quietSince = -1;
        }
    }
}

// Sets the loops to the gains wanted, but a loop rises (a tool arriving, the
// swarm growing, the swarm coming back after the brush) only into the room
// the events and pops playing leave it: those were fitted under the loops as
// they were. Rising loops share what room there is, and take the rest of
// their rise in later updates, as the pops ring out.
void holdLoops(const float (&wanted)[3], double now) {
    Loop* const loops[3] = {&player.scrub, &player.whirr, &player.bubbles};
    float room = loudestSum - peaksToCome(player.others, otherVoices) - peaksToCome(player.pops, popVoices);
    float rises = 0;
    float gains[3];
    for (int i = 0; i < 3; ++i) {
        const float peak = player.peaks[loops[i]->sound][0].from[0];
        gains[i] = loops[i]->playing ? loops[i]->gain : 0.0f;
        room -= std::min(gains[i], wanted[i]) * peak;
        rises += std::max(0.0f, wanted[i] - gains[i]) * peak;
    }
    // An event may have taken more than the room there was: then nothing rises.
    const float share = rises > 0 ? std::clamp(room / rises, 0.0f, 1.0f) : 1.0f;
    for (int i = 0; i < 3; ++i) {
        const float gain = std::min(gains[i], wanted[i]) + share * std::max(0.0f, wanted[i] - gains[i]);
        holdLoop(*loops[i], wanted[i] > 0, gain, now);
    }
}

float bedGain(int bacteria) {
    if (bacteria <= 0) return 0;
    const float share = std::min(1.0f, static_cast<float>(bacteria) / bacteriaForLoudestBed);
    return shapes[BubblesSound].gain * (bedQuietest + (1 - bedQuietest) * std::sqrt(share));
}

// Each birth waits its own random moment, most of them short: the square of
// an even draw, so the pops of a busy tooth cluster near their births
// without ever keeping time.
void waitPops(int births, double now) {
    for (int i = 0; i < births && player.waitingCount < mostWaitingPops; ++i) {
        const float draw = nextVariation();
        player.waitingPops[player.waitingCount++] = now + popSpreadSeconds * draw * draw;
    }
}

void startDuePops(double now) {
    for (int i = 0; i < player.waitingCount;) {
        if (player.waitingPops[i] <= now) {
            startOn(player.pops, popVoices, PopSound, player.ducking * player.background, false);
            player.waitingPops[i] = player.waitingPops[--player.waitingCount];
        } else {
            ++i;
        }
    }
}

// The brush's ducking slides to its target; the share the events left the
// rest comes back up as fast, but only as far as the events still playing
// leave room for the loops at their full gains. Both go by the time between
// calls, so a machine too busy for more than a few updates a second does not
// hold the loops down after an event has rung out; a longer gap (a game that
// stood still) counts as a quarter second.
void followDucking(bool brushVisiting, float loopsAtFull, double now) {
    const double elapsed = player.lastCall < 0 ? 0 : std::clamp(now - player.lastCall, 0.0, 0.25);
    player.lastCall = now;
    const float target = brushVisiting ? brushDucking : 1.0f;
    const auto step = static_cast<float>(duckingPerSecond * elapsed);
    player.ducking =
        target < player.ducking ? std::max(target, player.ducking - step) : std::min(target, player.ducking + step);
    const float room = loudestSum - peaksToCome(player.others, otherVoices) - peaksToCome(player.pops, popVoices);
    const float fits = loopsAtFull > 0 ? std::max(0.0f, room / loopsAtFull) : 1.0f;
    player.background = std::min({1.0f, player.background + step, std::max(player.background, fits)});
}

void stopAll() {
    for (Loop* loop : {&player.bubbles, &player.scrub, &player.whirr}) {
        alSourceStop(loop->source);
        loop->playing = false;
    }
    for (const Voice& v : player.pops) alSourceStop(v.source);
    for (const Voice& v : player.others) alSourceStop(v.source);
}

// A sound's peaks, for the headroom: the loudest from each stretch to its
// end, in stretches of 256 samples, longer for a sound too long for that.
void findPeaks(Peaks& peaks, const std::vector<std::int16_t>& samples) {
    const auto count = static_cast<int>(samples.size());
    peaks.stretchSamples = std::max(peakStretch, (count + mostPeakStretches - 1) / mostPeakStretches);
    peaks.stretches = (count + peaks.stretchSamples - 1) / peaks.stretchSamples;
    int loudest = 0;
    for (int k = count - 1; k >= 0; --k) {
        loudest = std::max(loudest, std::abs(static_cast<int>(samples[std::size_t(k)])));
        if (k % peaks.stretchSamples == 0) peaks.from[k / peaks.stretchSamples] = loudest / 32768.0f;
    }
}

void loadBuffer(int name, int variant, const WavSound& sound, const char* file) {
    alBufferData(player.buffers[name][variant], AL_FORMAT_MONO16, sound.samples.data(),
                 static_cast<ALsizei>(sound.samples.size() * sizeof(sound.samples[0])), sound.rate);
    player.loaded[name][variant] = alGetError() == AL_NO_ERROR;
    if (!player.loaded[name][variant]) {
        reportLine(std::string("Sound file ") + file + " not playable");
        return;
    }
    findPeaks(player.peaks[name][variant], sound.samples);
}

bool madeOfTakes(int name) { return name == BubblesSound || name == DrillWhirrSound; }

void loadSounds() {
    alGenBuffers(soundNameCount * mostVariants, &player.buffers[0][0]);
    for (int i = 0; i < soundNameCount; ++i) {
        std::vector<WavSound> takes;
        for (int v = 0; v < mostVariants && soundFiles[i][v]; ++v) {
            const char* file = soundFiles[i][v];
            WavSound sound;
            const std::string problem = readWavFile(file, sound);
            if (!problem.empty())
                reportLine(std::string("Sound file ") + file + " " + problem);
            else if (madeOfTakes(i))
                takes.push_back(std::move(sound));
            else
                loadBuffer(i, v, sound, file);
        }
        if (takes.empty()) continue;
        // The takes, joined in an order of their own (its seed is the
        // sound's), make the one loop the sound plays.
        WavSound joined;
        joined.rate = takes.front().rate;
        joined.samples = joinTakes(takes, joinedLoopSeconds, 777u + static_cast<std::uint32_t>(i));
        loadBuffer(i, 0, joined, soundFiles[i][0]);
    }
}

void makeVoice(ALuint& source, bool looping) {
    alGenSources(1, &source);
    // Every sound sits at the listener (the mouth is in front of the player)
    // and none is placed in space, which spares the browser a panner each.
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0, 0, 0);
    alSourcei(source, AL_SOURCE_SPATIALIZE_SOFT, AL_FALSE);
    alSourcei(source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
}

float listenerGain() { return player.on ? mixGain * centreShare : 0.0f; }

// The voices and sounds on the context just made; false, said, when there
// is none.
bool fillPlayer() {
    if (!player.context || !alcMakeContextCurrent(player.context)) {
        reportLine("Sound is off: no audio device");
        closeSoundPlayer();
        return false;
    }
    alDistanceModel(AL_NONE);
    alGetError();
    makeVoice(player.bubbles.source, true);
    makeVoice(player.scrub.source, true);
    makeVoice(player.whirr.source, true);
    for (Voice& v : player.pops) makeVoice(v.source, false);
    for (Voice& v : player.others) makeVoice(v.source, false);
    if (alGetError() != AL_NO_ERROR) {
        // A device was found, but it would not give the game its voices (a
        // device or an OpenAL setting that allows too few sources).
        reportLine("Sound is off: the audio device would not give the game its " +
                   std::to_string(3 + popVoices + otherVoices) + " voices");
        closeSoundPlayer();
        return false;
    }
    loadSounds();
    alListenerf(AL_GAIN, listenerGain());
    return true;
}

#ifndef __EMSCRIPTEN__
template <typename Function>
Function loopbackFunction(const char* name) {
    return reinterpret_cast<Function>(alcGetProcAddress(nullptr, name));
}
#endif

}  // namespace

bool openSoundPlayer(bool muted) {
    closeSoundPlayer();
    player.on = !muted;
    player.device = alcOpenDevice(nullptr);
    // The mix keeps its own headroom, so OpenAL Soft's limiter (which the
    // browser lacks) is left out and both places play the same.
#ifdef __EMSCRIPTEN__
    const ALCint attributes[] = {0};
#else
    const ALCint attributes[] = {ALC_FREQUENCY, mixingRate, ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE, 0};
#endif
    if (player.device) player.context = alcCreateContext(player.device, attributes);
    return fillPlayer();
}

int openSoundRenderer(bool muted) {
    closeSoundPlayer();
    player.on = !muted;
#ifdef __EMSCRIPTEN__
    reportLine("Sound is off: no audio device");
    return 0;
#else
    const auto open = loopbackFunction<LPALCLOOPBACKOPENDEVICESOFT>("alcLoopbackOpenDeviceSOFT");
    const auto supported = loopbackFunction<LPALCISRENDERFORMATSUPPORTEDSOFT>("alcIsRenderFormatSupportedSOFT");
    if (open && supported) player.device = open(nullptr);
    int rate = 0;
    for (const int tried : {48000, 44100})
        if (player.device && supported(player.device, tried, ALC_STEREO_SOFT, ALC_FLOAT_SOFT)) {
            rate = tried;
            break;
        }
    if (rate > 0) {
        const ALCint attributes[] = {ALC_FREQUENCY,
                                     rate,
                                     ALC_FORMAT_CHANNELS_SOFT,
                                     ALC_STEREO_SOFT,
                                     ALC_FORMAT_TYPE_SOFT,
                                     ALC_FLOAT_SOFT,
                                     ALC_OUTPUT_LIMITER_SOFT,
                                     ALC_FALSE,
                                     0};
        player.context = alcCreateContext(player.device, attributes);
    }
    player.rendering = true;
    return fillPlayer() ? rate : 0;
#endif
}

void renderSoundSamples(float* stereo, int frames) {
#ifndef __EMSCRIPTEN__
    static const auto render = loopbackFunction<LPALCRENDERSAMPLESSOFT>("alcRenderSamplesSOFT");
    if (player.context && player.rendering && frames > 0) {
        render(player.device, stereo, frames);
        return;
    }
#endif
    std::fill(stereo, stereo + 2 * std::max(0, frames), 0.0f);
}

void closeSoundPlayer() {
    if (player.context) {
        stopAll();
        alDeleteSources(1, &player.bubbles.source);
        alDeleteSources(1, &player.scrub.source);
        alDeleteSources(1, &player.whirr.source);
        for (Voice& v : player.pops) alDeleteSources(1, &v.source);
        for (Voice& v : player.others) alDeleteSources(1, &v.source);
        alDeleteBuffers(soundNameCount * mostVariants, &player.buffers[0][0]);
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(player.context);
    }
    if (player.device) alcCloseDevice(player.device);
    const bool on = player.on;
    player = Player{};
    player.on = on;
}

bool soundPlayerOpen() { return player.context != nullptr; }

void setSoundOn(bool on) {
    player.on = on;
    if (!player.context) return;
    // Silent at once and back at once, OpenAL ramping the listener's gain
    // over its next mix, so neither clicks. The loops go on under it as the
    // game calls for them, heard or not: one started as sound comes back
    // would start at its level, which clicks; the one-shots playing end by
    // themselves, and none starts while sound is off.
    alListenerf(AL_GAIN, listenerGain());
}

bool soundIsOn() { return player.on; }
void toggleSound() { setSoundOn(!player.on); }

void playSoundCues(const SoundCues& cues, double now) {
    if (!player.context) return;
    const bool on = player.on;
    const auto loopPeak = [](SoundName name) { return player.peaks[name][0].from[0]; };
    const float bed = bedGain(cues.bacteriaOnScreen);
    const float scrubEnding = std::clamp(cues.brushScrubLeft / scrubEndingSeconds, scrubEndShare, 1.0f);
    const float scrubGain = cues.brushScrubbing ? shapes[BrushScrubSound].gain * scrubEnding : 0;
    const float whirrGain = cues.drillWhirring ? shapes[DrillWhirrSound].gain : 0;
    // One update's changes reach the mixer together, but for the room an
    // event makes, which reaches it just before the event: a busy machine
    // that holds the game back part-way would otherwise leave a hole in the
    // mix, or play the event over the rest at its old level.
    alcSuspendContext(player.context);
    followDucking(
        cues.brushVisiting,
        scrubGain * loopPeak(BrushScrubSound) + whirrGain * loopPeak(DrillWhirrSound) + bed * loopPeak(BubblesSound),
        now);
    if (on) {
        if (cues.brushStrike) startOneShot(BrushStrikeSound);
        if (cues.drillStrike) startOneShot(DrillStrikeSound);
        for (int i = 0; i < std::min(cues.cracks, 2); ++i) startOneShot(CrackSound);
        for (int i = 0; i < std::min(cues.thuds, 2); ++i) startOneShot(ThudSound);
        if (cues.pickUp) startOneShot(PickUpSound);
        if (cues.putDown) startOneShot(PutDownSound);
        if (cues.brushIn) startOneShot(BrushInSound);
        if (cues.brushOut) startOneShot(BrushOutSound);
        if (cues.drillOut) startOneShot(DrillOutSound);
        waitPops(cues.births, now);
        startDuePops(now);
    } else {
        player.waitingCount = 0;
    }
    holdLoops({scrubGain * player.background, whirrGain * player.background, bed * player.ducking * player.background},
              now);
    alcProcessContext(player.context);
}

void quietSoundLoops(double now) {
    if (!player.context) return;
    // Turned down, not stopped: OpenAL ramps the gain over its next mix, so
    // nothing clicks, and the next update stops what it no longer wants.
    // Pops still waiting belong to a moment that has passed.
    for (Loop* loop : {&player.bubbles, &player.scrub, &player.whirr})
        if (loop->playing) {
            setLoopGain(*loop, 0);
            loop->quietSince = now;
        }
    player.waitingCount = 0;
}

long soundsStarted() { return player.started; }

float soundHeadroomUsed() {
    if (!player.context) return 0;
    return (peaksToCome(player.others, otherVoices) + peaksToCome(player.pops, popVoices) + loopPeaks()) / loudestSum;
}
