// Script streams over file descriptors. The reason a read failed is kept,
// which an input stream would hide as an ordinary end of file, and the copy
// of standard input is an unnamed temporary file that vanishes with the replay.
#include "recording/script_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <streambuf>

class ScriptBytes : public std::streambuf {
public:
    ScriptBytes(int descriptor, long long limit, int copy) : descriptor(descriptor), left(limit), copy(copy) {}
    int error = 0;      // a failed read
    int copyError = 0;  // a failed write to the copy

protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        for (;;) {
            const std::size_t most = left >= 0 && left < static_cast<long long>(sizeof buffer)
                                         ? static_cast<std::size_t>(left)
                                         : sizeof buffer;
            if (most == 0) return traits_type::eof();
            const ssize_t got = ::read(descriptor, buffer, most);
            if (got > 0) {
                if (left >= 0) left -= got;
                keepCopy(static_cast<std::size_t>(got));
                setg(buffer, buffer, buffer + got);
                return traits_type::to_int_type(*gptr());
            }
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) error = errno;
            return traits_type::eof();
        }
    }

private:
    void keepCopy(std::size_t size) {
        for (std::size_t done = 0; copy >= 0 && copyError == 0 && done < size;) {
            const ssize_t wrote = ::write(copy, buffer + done, size - done);
            if (wrote > 0)
                done += static_cast<std::size_t>(wrote);
            else if (wrote < 0 && errno != EINTR)
                copyError = errno;
        }
    }

    int descriptor;
    long long left;  // bytes still to read; negative: no limit
    int copy;
    char buffer[1 << 16];
};

namespace {

constexpr std::size_t mostCommandsAhead = 4096;

std::string cannotRead(int error) { return std::string("cannot be read: ") + std::strerror(error); }

void startReading(ScriptStream& stream, long long limit, int copy) {
    stream.bytes = std::make_unique<ScriptBytes>(stream.descriptor, limit, copy);
    stream.reader = ScriptReader{};
    stream.reader.text = stream.bytes.get();
    stream.ahead.clear();
}

// The first pass: every line read and checked, nothing kept.
bool checkAll(ScriptStream& stream, std::string& fault, const CommandCheck& check, int copy) {
    startReading(stream, -1, copy);
    for (ReplayCommand c; readScriptCommand(stream.reader, c);)
        if (check && !check(c, fault)) return false;
    if (stream.bytes->error != 0) {
        fault = cannotRead(stream.bytes->error);
        return false;
    }
    if (stream.bytes->copyError != 0) {
        fault = std::string("cannot be kept aside to be played: ") + std::strerror(stream.bytes->copyError);
        return false;
    }
    if (!stream.reader.error.empty()) {
        fault = stream.reader.error;
        return false;
    }
    stream.checkedBytes = stream.reader.bytesRead;
    return true;
}

bool readAhead(ScriptStream& stream) {
    ReplayCommand c;
    if (!readScriptCommand(stream.reader, c)) return false;
    stream.ahead.push_back(std::move(c));
    return true;
}

}  // namespace

ScriptStream::ScriptStream() = default;
ScriptStream::~ScriptStream() { closeScriptStream(*this); }

bool openScriptStream(ScriptStream& stream, const std::string& name, std::string& fault, std::string& notice,
                      const CommandCheck& check) {
    closeScriptStream(stream);
    stream.name = name;
    const bool standardInput = name == "-";
    stream.descriptor = standardInput ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (stream.descriptor < 0) {
        fault = cannotRead(errno);
        return false;
    }
    stream.owned = !standardInput;
    int copy = -1;
    if (standardInput) {
        std::FILE* aside = std::tmpfile();
        if (!aside) {
            fault = std::string("cannot be kept aside to be played: ") + std::strerror(errno);
            return false;
        }
        copy = ::dup(::fileno(aside));
        std::fclose(aside);  // the duplicate keeps the unnamed file
        if (copy < 0) {
            fault = std::string("cannot be kept aside to be played: ") + std::strerror(errno);
            return false;
        }
    }
    const bool good = checkAll(stream, fault, check, copy);
    notice = good ? stream.reader.notice : "";
    if (standardInput) {
        stream.descriptor = copy;
        stream.owned = true;
    }
    if (!good) {
        closeScriptStream(stream);
        return false;
    }
    if (::lseek(stream.descriptor, 0, SEEK_SET) != 0) {
        fault = cannotRead(errno);
        closeScriptStream(stream);
        return false;
    }
    startReading(stream, stream.checkedBytes, -1);
    return true;
}

bool nextStreamCommand(ScriptStream& stream, ReplayCommand& command) {
    if (stream.ahead.empty() && !readAhead(stream)) {
        // Read again, the file was checked whole: a fault now is a file
        // changed since, and a failed read is said the same way.
        if (stream.bytes && stream.bytes->error != 0 && stream.reader.error.empty())
            stream.reader.error = cannotRead(stream.bytes->error);
        return false;
    }
    command = std::move(stream.ahead.front());
    stream.ahead.pop_front();
    return true;
}

bool shotBeforeNextFrame(ScriptStream& stream, bool orNewGame) {
    for (std::size_t i = 0;; ++i) {
        if (i == stream.ahead.size() && (i == mostCommandsAhead || !readAhead(stream))) return i == mostCommandsAhead;
        const ReplayCommand& c = stream.ahead[i];
        if (c.kind == ReplayCommandKind::Shot) return true;
        if (c.kind == ReplayCommandKind::Frames && c.count > 0) return false;
        if (orNewGame && c.kind == ReplayCommandKind::Restart) return false;
    }
}

void closeScriptStream(ScriptStream& stream) {
    if (stream.owned && stream.descriptor >= 0) ::close(stream.descriptor);
    stream.descriptor = -1;
    stream.owned = false;
    stream.bytes.reset();
    stream.reader = ScriptReader{};
    stream.ahead.clear();
}
