// Buffered whole-line writing with reporting of write failures (a full disk,
// a file that vanished, a reader that went away): the game never stops, nor
// waits, for a file it cannot write. A regular file has one writer at a time
// (flock), held until the file is closed or the game ends.
#include "recording/line_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/steady_clock.h"
#include "gfx/diagnostic.h"

namespace {

// Well inside the second a killed game may lose, checked whenever a line is
// added, and the game adds one every frame.
constexpr long long writeOutPeriodMs = 250;
constexpr std::size_t writeOutBytes = 1 << 16;
// What a pipe's reader may fall behind by before the game stops feeding it.
constexpr std::size_t mostPendingBytes = std::size_t{16} << 20;
// How long the game's end waits for a slow reader to take the rest.
constexpr int closingWaitMs = 2000;

void report(const LineFile& out, const std::string& why) {
    reportLine("Cannot write the " + out.what + " " + out.path + ": " + why + "; playing on without it");
}

void drop(LineFile& out) {
    ::close(out.descriptor);
    out.descriptor = -1;
    out.pending.clear();
    out.pending.shrink_to_fit();
}

// A short write may have left part of a line: the file is cut back to the
// end of its last whole line, so whatever reads it never meets a half line.
// A file already cut shorter (by someone else) is never lengthened.
void giveUp(LineFile& out, int error) {
    std::string why = std::strerror(error);
    struct stat status {};
    if (out.regular && ::fstat(out.descriptor, &status) == 0 && status.st_size > out.wholeLines) {
        if (::ftruncate(out.descriptor, static_cast<off_t>(out.wholeLines)) == 0)
            why += "; it ends at its last whole line";
        else
            why += "; it ends in a cut line (" + std::string(std::strerror(errno)) + ")";
    }
    report(out, why);
    drop(out);
}

// Lines are appended at the file's end wherever that is now: a file cut to
// nothing under the game goes on from its start, where a kept offset would
// leave a hole of NUL bytes. So where the bytes went is read back from the
// offset the write left.
void taken(LineFile& out, std::size_t bytes) {
    long long end = out.written + static_cast<long long>(bytes);
    if (out.regular) {
        const off_t at = ::lseek(out.descriptor, 0, SEEK_CUR);
        if (at >= 0) end = at;
    }
    const long long start = end - static_cast<long long>(bytes);
    const void* lastNewline = ::memrchr(out.pending.data(), '\n', bytes);
    if (lastNewline)
        out.wholeLines = start + (static_cast<const char*>(lastNewline) - out.pending.data()) + 1;
    else if (start < out.wholeLines)
        out.wholeLines = start;
    out.written = end;
    out.pending.erase(0, bytes);
}

// Writes what the file takes now. False when it would have to wait (a pipe
// whose reader is behind); a failure gives up the file.
bool writeWithoutWaiting(LineFile& out) {
    while (out.descriptor >= 0 && !out.pending.empty()) {
        const ssize_t wrote = ::write(out.descriptor, out.pending.data(), out.pending.size());
        if (wrote > 0) {
            taken(out, static_cast<std::size_t>(wrote));
            continue;
        }
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
        giveUp(out, wrote < 0 ? errno : EIO);
    }
    return true;
}

}  // namespace

bool openLineFile(LineFile& out, const std::string& path, const std::string& what) {
    out = LineFile{};
    out.path = path;
    out.what = what;
    if (path.empty()) {
        report(out, "no file name given");
        return false;
    }
    // Without blocking: opening a FIFO nobody reads would otherwise hold the
    // game before its first frame. Not emptied yet: the file may be another
    // game's, still being written.
    out.descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC, 0666);
    if (out.descriptor < 0) {
        report(out, errno == ENXIO ? "nobody reads it" : std::strerror(errno));
        return false;
    }
    struct stat status {};
    out.regular = ::fstat(out.descriptor, &status) == 0 && S_ISREG(status.st_mode);
    // One writer a file: two games' lines mixed in one file make neither
    // game's recording. Pipes and devices are left alone (many games may
    // trace into /dev/null).
    if (out.regular && ::flock(out.descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        report(out, "another game is writing it");
        drop(out);
        return false;
    }
    if (out.regular && ::ftruncate(out.descriptor, 0) != 0) {
        report(out, std::strerror(errno));
        drop(out);
        return false;
    }
    out.lastWriteOutMs = steadyNowMs();
    return true;
}

bool isOpen(const LineFile& out) { return out.descriptor >= 0; }

void linesAdded(LineFile& out) {
    if (out.descriptor < 0) {
        out.pending.clear();
        return;
    }
    if (out.pending.size() >= writeOutBytes || steadyNowMs() - out.lastWriteOutMs >= writeOutPeriodMs)
        writeOutLines(out);
}

void writeOutLines(LineFile& out) {
    if (out.descriptor < 0) return;
    out.lastWriteOutMs = steadyNowMs();
    if (writeWithoutWaiting(out) || out.pending.size() <= mostPendingBytes) return;
    report(out, "its reader does not keep up");
    drop(out);
}

bool closeLineFile(LineFile& out) {
    if (out.descriptor < 0) return false;
    // A slow reader gets a little time to take the rest, never forever.
    const long long giveUpAtMs = steadyNowMs() + closingWaitMs;
    while (out.descriptor >= 0 && !writeWithoutWaiting(out)) {
        const long long leftMs = giveUpAtMs - steadyNowMs();
        pollfd ready{out.descriptor, POLLOUT, 0};
        if (leftMs <= 0 || ::poll(&ready, 1, static_cast<int>(leftMs)) <= 0) {
            report(out, "its reader stopped taking lines; " + std::to_string(out.pending.size()) + " bytes lost");
            drop(out);
            return false;
        }
    }
    if (out.descriptor < 0) return false;
    const bool closed = ::close(out.descriptor) == 0;
    if (!closed) report(out, std::strerror(errno));
    out.descriptor = -1;
    return closed;
}
