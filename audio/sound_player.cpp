// Fixed voices, made when the player opens: one per loop, a few for the pops
// and a small pool for everything else. A cue finding every voice of its kind
// busy is dropped, which is what keeps a crowd of births from sounding like
// a machine gun; so do the small random shifts in each pop's pitch and level.
#include "audio/sound_player.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>
#include <cmath>

#include "audio/wav_file.h"
#include "gfx/diagnostic.h"

const char* const soundFiles[soundNameCount] = {
    "sounds/pick_up.wav",     "sounds/put_down.wav",     "sounds/pop.wav",          "sounds/bubbles.wav",
    "sounds/brush_in.wav",    "sounds/brush_scrub.wav",  "sounds/brush_strike.wav", "sounds/brush_out.wav",
    "sounds/drill_whirr.wav", "sounds/drill_strike.wav", "sounds/drill_out.wav",    "sounds/crack.wav",
    "sounds/thud.wav",
};

namespace {

// How loud each sound plays, chosen so that the loudest moment (a strike over
// scrubbing, the swish out and a run of pops) stays well short of clipping.
const float soundGains[soundNameCount] = {
    0.5f,   // pick up
    0.55f,  // put down
    0.4f,   // pop
    0.14f,  // bubbles, at their loudest: a bed under everything else
    0.2f,   // brush in: a swell, under the pops it passes over
    0.15f,  // scrub: under the pops that go on while it scrubs
    0.6f,   // brush strike
    0.25f,  // brush out
    0.35f,  // drill whirr
    0.5f,   // drill strike
    0.4f,   // drill out
    0.6f,   // crack
    0.7f,   // thud
};

constexpr int mixingRate = 22050;
constexpr int popVoices = 4;
constexpr int otherVoices = 8;
constexpr float bedQuietest = 0.2f;         // share of the bed's gain with one bacterium
constexpr int bacteriaForLoudestBed = 400;  // four teeth teeming

// A loop is never cut off mid-wave, which would click: it is turned down
// (OpenAL ramps a gain change over its next mix) and stopped some frames on.
struct Loop {
    ALuint source = 0;
    int quietFrames = 0;  // frames since it was turned down; 0 while it sounds
};
constexpr int framesToTurnDown = 8;

struct Player {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    ALuint buffers[soundNameCount] = {};
    bool loaded[soundNameCount] = {};
    Loop bubbles, scrub, whirr;
    ALuint pops[popVoices] = {};
    ALuint others[otherVoices] = {};
    int nextPop = 0;
    bool on = true;
    std::uint32_t variation = 12345;  // the player's own; the game's sequence is never touched
    long started = 0;
};

Player player;

float nextVariation() {
    player.variation = player.variation * 1664525u + 1013904223u;
    return static_cast<float>(player.variation >> 8) / 16777215.0f;  // 0 to 1
}

bool playing(ALuint source) {
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

void start(ALuint source, SoundName name, float gain, float pitch) {
    if (!player.loaded[name]) return;
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(player.buffers[name]));
    alSourcef(source, AL_GAIN, gain);
    alSourcef(source, AL_PITCH, pitch);
    alSourcePlay(source);
    ++player.started;
}

void startOneShot(SoundName name) {
    for (ALuint source : player.others)
        if (!playing(source)) {
            start(source, name, soundGains[name], 1.0f);
            return;
        }
}

// A pop only when its next voice is free: round-robin, so one pop never cuts
// another short.
void startPop() {
    const ALuint source = player.pops[player.nextPop];
    if (playing(source)) return;
    player.nextPop = (player.nextPop + 1) % popVoices;
    const float pitch = 0.9f + 0.25f * nextVariation();
    const float gain = soundGains[PopSound] * (0.8f + 0.2f * nextVariation());
    start(source, PopSound, gain, pitch);
}

void holdLoop(Loop& loop, SoundName name, bool wanted, float gain) {
    const bool now = playing(loop.source);
    if (wanted) {
        if (!now) start(loop.source, name, gain, 1.0f);
        alSourcef(loop.source, AL_GAIN, gain);
        loop.quietFrames = 0;
    } else if (now) {
        if (loop.quietFrames == 0) alSourcef(loop.source, AL_GAIN, 0.0f);
        if (++loop.quietFrames > framesToTurnDown) {
            alSourceStop(loop.source);
            loop.quietFrames = 0;
        }
    }
}

float bedGain(int bacteria) {
    if (bacteria <= 0) return 0;
    const float share = std::min(1.0f, static_cast<float>(bacteria) / bacteriaForLoudestBed);
    return soundGains[BubblesSound] * (bedQuietest + (1 - bedQuietest) * std::sqrt(share));
}

void stopAll() {
    alSourceStop(player.bubbles.source);
    alSourceStop(player.scrub.source);
    alSourceStop(player.whirr.source);
    for (ALuint s : player.pops) alSourceStop(s);
    for (ALuint s : player.others) alSourceStop(s);
}

void loadSounds() {
    alGenBuffers(soundNameCount, player.buffers);
    WavSound sound;
    for (int i = 0; i < soundNameCount; ++i) {
        const std::string problem = readWavFile(soundFiles[i], sound);
        if (!problem.empty()) {
            reportLine(std::string("Sound file ") + soundFiles[i] + " " + problem);
            continue;
        }
        alBufferData(player.buffers[i], AL_FORMAT_MONO16, sound.samples.data(),
                     static_cast<ALsizei>(sound.samples.size() * sizeof(sound.samples[0])), sound.rate);
        player.loaded[i] = alGetError() == AL_NO_ERROR;
        if (!player.loaded[i]) reportLine(std::string("Sound file ") + soundFiles[i] + " not playable");
    }
}

void makeVoice(ALuint& source, bool looping) {
    alGenSources(1, &source);
    // Every sound sits at the listener: the mouth is in front of the player.
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0, 0, 0);
    alSourcei(source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
}

}  // namespace

bool openSoundPlayer(bool muted) {
    closeSoundPlayer();
    player.on = !muted;
    player.device = alcOpenDevice(nullptr);
    // Every sound is made at 22,050 samples a second; mixing at twice that
    // would cost twice the processor time for nothing heard.
    const ALCint attributes[] = {ALC_FREQUENCY, mixingRate, 0};
    if (player.device) player.context = alcCreateContext(player.device, attributes);
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
    for (ALuint& s : player.pops) makeVoice(s, false);
    for (ALuint& s : player.others) makeVoice(s, false);
    if (alGetError() != AL_NO_ERROR) {
        reportLine("Sound is off: no audio device");
        closeSoundPlayer();
        return false;
    }
    loadSounds();
    alListenerf(AL_GAIN, player.on ? 1.0f : 0.0f);
    return true;
}

void closeSoundPlayer() {
    if (player.context) {
        stopAll();
        alDeleteSources(1, &player.bubbles.source);
        alDeleteSources(1, &player.scrub.source);
        alDeleteSources(1, &player.whirr.source);
        alDeleteSources(popVoices, player.pops);
        alDeleteSources(otherVoices, player.others);
        alDeleteBuffers(soundNameCount, player.buffers);
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
    // Silent at once (OpenAL ramps the change, so without a click); the loops
    // are then turned down and stopped by the next updates, and the one-shots
    // already playing end by themselves.
    alListenerf(AL_GAIN, on ? 1.0f : 0.0f);
}

bool soundIsOn() { return player.on; }
void toggleSound() { setSoundOn(!player.on); }

void playSoundCues(const SoundCues& cues) {
    if (!player.context) return;
    const bool on = player.on;
    if (on) {
        if (cues.pickUp) startOneShot(PickUpSound);
        if (cues.putDown) startOneShot(PutDownSound);
        if (cues.births > 0) startPop();
        if (cues.brushIn) startOneShot(BrushInSound);
        if (cues.brushStrike) startOneShot(BrushStrikeSound);
        if (cues.brushOut) startOneShot(BrushOutSound);
        if (cues.drillStrike) startOneShot(DrillStrikeSound);
        if (cues.drillOut) startOneShot(DrillOutSound);
        for (int i = 0; i < std::min(cues.cracks, 2); ++i) startOneShot(CrackSound);
        for (int i = 0; i < std::min(cues.thuds, 2); ++i) startOneShot(ThudSound);
    }
    holdLoop(player.scrub, BrushScrubSound, on && cues.brushScrubbing, soundGains[BrushScrubSound]);
    holdLoop(player.whirr, DrillWhirrSound, on && cues.drillWhirring, soundGains[DrillWhirrSound]);
    const float bed = bedGain(cues.bacteriaOnScreen);
    holdLoop(player.bubbles, BubblesSound, on && bed > 0, bed);
}

void quietSoundLoops() {
    if (!player.context) return;
    // Turned down, not stopped: OpenAL ramps the gain over its next mix, so
    // nothing clicks, and the next update stops what it no longer wants.
    for (Loop* loop : {&player.bubbles, &player.scrub, &player.whirr})
        if (playing(loop->source)) {
            alSourcef(loop->source, AL_GAIN, 0.0f);
            loop->quietFrames = 1;
        }
}

long soundsStarted() { return player.started; }
