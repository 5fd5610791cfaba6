// The file is written as it is mixed, a block at a time, and its header's
// sizes are filled in at the end: a render cut short leaves a file whose
// sizes say nothing, which readers take as "as far as there is data".
#include "replay/sound_render.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "audio/game_sounds.h"
#include "audio/sound_player.h"

namespace {

constexpr int blockFrames = 4096;
constexpr int channels = 2;
constexpr int sampleBytes = 4;
constexpr int headerBytes = 58;  // RIFF, a float format chunk, its fact chunk and the data chunk's head
constexpr int ringOutMs = 1000;
constexpr std::uint32_t unknownSize = 0xFFFFFFFF;
// A WAV file's sizes are 32 bits: some 3 hours 6 minutes at 48,000 a second.
constexpr long long mostFrames = (unknownSize - headerBytes) / (channels * sampleBytes);

void putLe(unsigned char*& at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) *at++ = static_cast<unsigned char>(value >> (8 * i));
}

void putTag(unsigned char*& at, const char* tag) {
    std::memcpy(at, tag, 4);
    at += 4;
}

// IEEE float samples (format 3), with the fact chunk such a file carries.
void fillHeader(unsigned char (&header)[headerBytes], int rate, long long frames) {
    const auto dataBytes = frames < 0 ? unknownSize : static_cast<std::uint32_t>(frames * channels * sampleBytes);
    const auto riffBytes = frames < 0 ? unknownSize : dataBytes + headerBytes - 8;
    unsigned char* at = header;
    putTag(at, "RIFF");
    putLe(at, riffBytes, 4);
    putTag(at, "WAVE");
    putTag(at, "fmt ");
    putLe(at, 18, 4);
    putLe(at, 3, 2);
    putLe(at, channels, 2);
    putLe(at, static_cast<std::uint32_t>(rate), 4);
    putLe(at, static_cast<std::uint32_t>(rate * channels * sampleBytes), 4);
    putLe(at, channels * sampleBytes, 2);
    putLe(at, 8 * sampleBytes, 2);
    putLe(at, 0, 2);
    putTag(at, "fact");
    putLe(at, 4, 4);
    putLe(at, frames < 0 ? unknownSize : static_cast<std::uint32_t>(frames), 4);
    putTag(at, "data");
    putLe(at, dataBytes, 4);
}

std::FILE* createFile(const std::string& name, bool overwrite, std::string& fault) {
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL);
    const int descriptor = ::open(name.c_str(), flags, 0666);
    if (descriptor < 0) {
        const int error = errno;
        fault = error == EEXIST  ? "is an existing file (--overwrite replaces it)"
                : error == ELOOP ? "is a symbolic link, and the sound is never written through one"
                                 : std::strerror(error);
        return nullptr;
    }
    std::FILE* file = ::fdopen(descriptor, "wb");
    if (!file) {
        fault = std::strerror(errno);
        ::close(descriptor);
    }
    return file;
}

void writeSamples(SoundRender& render, long long frames) {
    if (frames > mostFrames - render.frames) {
        frames = mostFrames - render.frames;
        render.full = true;
    }
    while (frames > 0 && !render.failed) {
        const int now = static_cast<int>(std::min<long long>(frames, blockFrames));
        renderSoundSamples(render.block.data(), now);
        // The samples go out as the machine holds them: little-endian floats
        // on every machine the game is built for.
        const auto count = static_cast<std::size_t>(now) * channels;
        render.failed = std::fwrite(render.block.data(), sampleBytes, count, render.file) != count;
        render.frames += now;
        frames -= now;
    }
}

}  // namespace

bool startSoundRender(SoundRender& render, const std::string& file, bool overwrite, const GameState& game,
                      std::string& fault) {
    render.name = file;
    render.file = createFile(file, overwrite, fault);
    if (!render.file) return false;
    render.rate = startRenderedGameSounds(game);
    if (render.rate == 0) {
        fault = "cannot be made: OpenAL Soft's loopback device did not open";
        std::fclose(render.file);
        ::unlink(file.c_str());
        render.file = nullptr;
        return false;
    }
    render.block.assign(static_cast<std::size_t>(blockFrames) * channels, 0.0f);
    unsigned char header[headerBytes];
    fillHeader(header, render.rate, -1);
    render.failed = std::fwrite(header, 1, headerBytes, render.file) != headerBytes;
    return true;
}

void renderSoundUntil(SoundRender& render, int clockMs) {
    if (!render.file) return;
    render.clockMs = clockMs;
    writeSamples(render, static_cast<long long>(clockMs) * render.rate / 1000 - render.frames);
}

bool finishSoundRender(SoundRender& render, std::string& fault) {
    if (!render.file) return true;
    hearStandingStill(render.clockMs);
    writeSamples(render, static_cast<long long>(ringOutMs) * render.rate / 1000);
    stopGameSounds();
    unsigned char header[headerBytes];
    fillHeader(header, render.rate, render.frames);
    if (!render.failed)
        render.failed = std::fseek(render.file, 0, SEEK_SET) != 0 ||
                        std::fwrite(header, 1, headerBytes, render.file) != headerBytes;
    const int error = render.failed ? errno : 0;
    render.failed = std::fclose(render.file) != 0 || render.failed;
    render.file = nullptr;
    if (render.failed) fault = std::strerror(error ? error : errno);
    if (!render.failed && render.full)
        fault = "holds the first " + std::to_string(mostFrames / render.rate) + " s only: a WAV file holds no more";
    return !render.failed;
}
