// Shots go through a file this program created itself (O_EXCL), or with
// --overwrite a regular file it opened without following a link; only then is
// the picture encoded into it. A shot that fails half-way is removed, so no
// broken picture is left behind under the name the script gave.
#include "replay/shot_file.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char* const replacing = "is an existing file, and a shot never replaces one (--overwrite allows it)";
const char* const throughLink = "is a symbolic link, and a shot never writes through one";
const char* const notAFile = "exists and is not a regular file";

ShotOutcome refused(const char* reason) { return {ShotResult::Refused, reason}; }
ShotOutcome failed(int error) { return {ShotResult::Failed, std::strerror(error)}; }

// The file the shot may write into, or -1 with the outcome saying why not.
int openShot(const std::string& path, bool overwrite, ShotOutcome& outcome) {
    if (!overwrite) {
        const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (file >= 0) return file;
        const int error = errno;
        // O_EXCL also refuses a link, dangling or not; say which it was.
        outcome = error == EEXIST ? checkShotTarget(path, false) : failed(error);
        if (outcome.result == ShotResult::Written) outcome = refused(replacing);
        return -1;
    }
    // Without blocking, so that a FIFO put there cannot hold the replay up.
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (file < 0) {
        const int error = errno;
        outcome = error == ELOOP ? refused(throughLink) : error == ENXIO ? refused(notAFile) : failed(error);
        return -1;
    }
    struct stat status {};
    if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(file);
        outcome = refused(notAFile);
        return -1;
    }
    if (::ftruncate(file, 0) != 0) {
        outcome = failed(errno);
        ::close(file);
        return -1;
    }
    return file;
}

// The window shows no transparency, so the picture is RGB.
bool encodePng(std::FILE* out, const unsigned char* rgba, int width, int height) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<unsigned char> rgb(count * 3);
    for (std::size_t i = 0; i < count; ++i)
        for (std::size_t k = 0; k < 3; ++k) rgb[i * 3 + k] = rgba[i * 4 + k];
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    const bool encoded = png_image_write_to_stdio(&image, out, 0, rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return encoded;
}

}  // namespace

ShotOutcome checkShotTarget(const std::string& path, bool overwrite) {
    struct stat status {};
    // Anything that keeps lstat from looking (a missing folder, no access)
    // makes the write fail later, and that is reported then.
    if (::lstat(path.c_str(), &status) != 0) return {};
    if (S_ISLNK(status.st_mode)) return refused(throughLink);
    if (!overwrite) return refused(replacing);
    if (!S_ISREG(status.st_mode)) return refused(notAFile);
    return {};
}

ShotOutcome writeShotFile(const std::string& path, const unsigned char* rgba, int width, int height, bool overwrite) {
    if (width <= 0 || height <= 0) return {ShotResult::Failed, "the window has no pixels"};
    ShotOutcome outcome;
    const int file = openShot(path, overwrite, outcome);
    if (file < 0) return outcome;
    std::FILE* out = ::fdopen(file, "wb");
    if (!out) {
        outcome = failed(errno);
        ::close(file);
        ::unlink(path.c_str());
        return outcome;
    }
    errno = 0;
    const bool encoded = encodePng(out, rgba, width, height);
    const int encodeError = errno;
    const bool flushed = std::fflush(out) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(out) == 0;
    const int closeError = errno;
    if (encoded && flushed && closed) return outcome;
    ::unlink(path.c_str());
    const int error = !flushed ? flushError : !closed ? closeError : encodeError;
    return error != 0 ? failed(error) : ShotOutcome{ShotResult::Failed, "the picture could not be encoded"};
}
