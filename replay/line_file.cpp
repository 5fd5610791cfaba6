// Buffered whole-line writing with reporting of write failures (a full disk,
// a file that vanished): the game never stops for a file it cannot write.
#include "replay/line_file.h"

#include <cerrno>
#include <cstring>

#include "gfx/diagnostic.h"

namespace {

// Well inside the second a killed game may lose, checked whenever a line is
// added, and the game adds one every frame.
constexpr std::chrono::milliseconds writeOutPeriod{250};
constexpr std::size_t writeOutBytes = 1 << 16;

void giveUp(LineFile& out, int error) {
    reportLine("Cannot write the " + out.what + " " + out.path + ": " + std::strerror(error) +
               "; playing on without it");
    std::fclose(out.file);
    out.file = nullptr;
    out.pending.clear();
    out.pending.shrink_to_fit();
}

}  // namespace

bool openLineFile(LineFile& out, const std::string& path, const std::string& what) {
    out.path = path;
    out.what = what;
    out.file = std::fopen(path.c_str(), "wb");
    if (!out.file) {
        reportLine("Cannot write the " + what + " " + path + ": " + std::strerror(errno) + "; playing on without it");
        return false;
    }
    // Our own buffer holds the lines; each write-out goes straight to the
    // system in one piece, so no half line waits in a C library buffer.
    std::setvbuf(out.file, nullptr, _IONBF, 0);
    out.lastWriteOut = std::chrono::steady_clock::now();
    return true;
}

bool isOpen(const LineFile& out) { return out.file != nullptr; }

void linesAdded(LineFile& out) {
    if (!out.file) {
        out.pending.clear();
        return;
    }
    if (out.pending.size() >= writeOutBytes || std::chrono::steady_clock::now() - out.lastWriteOut >= writeOutPeriod)
        writeOutLines(out);
}

void writeOutLines(LineFile& out) {
    if (!out.file) return;
    out.lastWriteOut = std::chrono::steady_clock::now();
    if (out.pending.empty()) return;
    errno = 0;
    const std::size_t written = std::fwrite(out.pending.data(), 1, out.pending.size(), out.file);
    if (written != out.pending.size() || std::fflush(out.file) != 0) {
        giveUp(out, errno ? errno : EIO);
        return;
    }
    out.pending.clear();
}

void closeLineFile(LineFile& out) {
    writeOutLines(out);
    if (!out.file) return;
    if (std::fclose(out.file) != 0)
        reportLine("Cannot write the " + out.what + " " + out.path + ": " + std::strerror(errno));
    out.file = nullptr;
}
