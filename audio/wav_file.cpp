// Chunks are walked by their stated sizes, each checked against what is
// left, so a lying header ends the walk instead of reading past the bytes.
#include "audio/wav_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

unsigned read16(const unsigned char* p) { return p[0] | (p[1] << 8); }
std::uint32_t read32(const unsigned char* p) { return read16(p) | (std::uint32_t(read16(p + 2)) << 16); }

constexpr int lowestRate = 8000;
constexpr int highestRate = 96000;

}  // namespace

std::string parseWav(const unsigned char* bytes, std::size_t size, WavSound& sound) {
    sound = WavSound{};
    if (size > mostWavBytes) return "too large";
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return "not a WAV file";
    bool haveFormat = false;
    std::size_t at = 12;
    while (size - at >= 8) {
        const unsigned char* chunk = bytes + at;
        const std::uint32_t length = read32(chunk + 4);
        if (length > size - at - 8) return "damaged: a chunk runs past the end";
        const unsigned char* body = chunk + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16) return "damaged: short format chunk";
            const unsigned format = read16(body), channels = read16(body + 2), bits = read16(body + 14);
            const std::uint32_t rate = read32(body + 4);
            if (format != 1 || channels != 1 || bits != 16) return "not 16-bit mono PCM";
            if (rate < lowestRate || rate > highestRate) return "unusable sample rate";
            sound.rate = static_cast<int>(rate);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return "damaged: data before format";
            if (length < 2) return "empty";
            sound.samples.resize(length / 2);
            for (std::size_t i = 0; i < sound.samples.size(); ++i)
                sound.samples[i] = static_cast<std::int16_t>(read16(body + 2 * i));
            return "";
        }
        at += 8 + length + (length & 1);  // chunks are padded to even sizes
        if (at > size) break;
    }
    sound = WavSound{};
    return "damaged: no sound data";
}

std::string readWavFile(const std::string& path, WavSound& sound) {
    sound = WavSound{};
    // Opened without waiting and read only if it is a regular file, as the
    // pictures are: a FIFO in sounds/ would otherwise hold the game before its
    // first frame, and a device may never end.
    const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) return "not found";
    struct stat status {};
    if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(file);
        return "not a regular file";
    }
    std::vector<unsigned char> bytes(mostWavBytes + 1);
    std::size_t size = 0;
    while (size < bytes.size()) {
        const ssize_t got = ::read(file, bytes.data() + size, bytes.size() - size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ::close(file);
            return "cannot be read";
        }
        if (got == 0) break;
        size += static_cast<std::size_t>(got);
    }
    ::close(file);
    return parseWav(bytes.data(), size, sound);
}
