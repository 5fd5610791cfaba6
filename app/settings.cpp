// The settings file is small and read once at start: it is opened without
// blocking (a FIFO in its place cannot hang the game), only a regular file of
// at most a few kilobytes is read, and it is replaced whole, never rewritten
// in place, so a game killed while saving leaves the old or the new file. A
// write keeps every line it does not own (comments, names of a newer game)
// as it stands, and goes through a symlink to the file it points at.
#include "app/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/sound_player.h"
#include "gfx/diagnostic.h"

namespace {

constexpr std::size_t mostSettingsBytes = 4096;
constexpr int mostLinksFollowed = 40;  // as the kernel's own limit, so a loop of links ends
constexpr const char* header = "# Velmora's settings, kept between games";

std::string configFolder() {
    // The base directory must be absolute; anything else is to be ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/velmora";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config/velmora";
    return "";
}

bool readSmallFile(const std::string& path, std::string& text, std::string& fault) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        fault = errno == ENOENT ? "" : std::strerror(errno);
        return false;
    }
    struct stat info;
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        fault = "not a regular file";
        return false;
    }
    if (info.st_size > static_cast<off_t>(mostSettingsBytes)) {
        ::close(descriptor);
        fault = "larger than " + std::to_string(mostSettingsBytes) + " bytes";
        return false;
    }
    char buffer[mostSettingsBytes + 1];
    std::size_t got = 0;
    for (;;) {
        const ssize_t n = ::read(descriptor, buffer + got, sizeof buffer - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            fault = std::strerror(errno);
            ::close(descriptor);
            return false;
        }
        if (n == 0 || (got += static_cast<std::size_t>(n)) == sizeof buffer) break;
    }
    ::close(descriptor);
    if (got > mostSettingsBytes) {
        fault = "larger than " + std::to_string(mostSettingsBytes) + " bytes";
        return false;
    }
    text.assign(buffer, got);
    return true;
}

// The file a symlink at path leads to, through a chain of links; path itself
// when it is no link (or not there yet). A link may lead to a file not made yet.
std::string followLinks(const std::string& path) {
    std::string at = path;
    for (int followed = 0; followed < mostLinksFollowed; ++followed) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(at.c_str(), target, sizeof target - 1);
        if (length < 0) return at;
        target[length] = '\0';
        if (target[0] == '/')
            at = target;
        else
            at = at.substr(0, at.rfind('/') + 1) + target;
    }
    return at;  // a loop: the rename below then fails and says so
}

bool writeAll(int descriptor, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(descriptor, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes text to a file of its own beside path, synced, then renamed over
// path, so readers see the old file or the new one. Each write has its own
// name (two games saving at once never take each other's file), opened
// without waiting and only if nothing is there yet. False with errno set.
std::atomic<unsigned> writesMade{0};
bool writeWholeFile(const std::string& path, const std::string& text, std::string& fresh) {
    fresh = path + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(writesMade++);
    mode_t mode = 0644;
    struct stat old;
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) mode = old.st_mode & 0777;
    const int descriptor =
        ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (descriptor < 0) return false;
    errno = 0;
    const bool written = writeAll(descriptor, text) && ::fsync(descriptor) == 0;
    const bool closed = ::close(descriptor) == 0;
    if (!written || !closed || std::rename(fresh.c_str(), path.c_str()) != 0) {
        const int why = errno ? errno : EIO;
        ::unlink(fresh.c_str());
        errno = why;
        return false;
    }
    // The rename itself reaches the disk with its folder.
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    const int folderDescriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderDescriptor >= 0) {
        ::fsync(folderDescriptor);
        ::close(folderDescriptor);
    }
    return true;
}

std::string lineName(const std::string& line) {
    if (line.empty() || line[0] == '#') return "";
    return line.substr(0, line.find(' '));
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

}  // namespace

std::string settingsPath() {
    const std::string folder = configFolder();
    return folder.empty() ? "" : folder + "/settings";
}

bool parseSettings(const std::string& text, Settings& settings, std::string& fault) {
    Settings read;
    const std::vector<std::string> lines = splitLines(text);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        std::string line = lines[index];
        const std::string number = std::to_string(index + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t space = line.find(' ');
        const std::string name = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (name == "sound" || name == "help") {
            if (value != "on" && value != "off") {
                fault = "line " + number + ": " + name + " is \"on\" or \"off\"";
                return false;
            }
            (name == "sound" ? read.soundOn : read.helpOn) = value == "on";
        } else if (name.empty() || value.empty()) {
            fault = "line " + number + " is not \"name value\"";
            return false;
        }
    }
    settings = read;
    return true;
}

std::string settingsText(const std::string& kept, const Settings& settings) {
    const std::string sound = std::string("sound ") + (settings.soundOn ? "on" : "off");
    const std::string help = std::string("help ") + (settings.helpOn ? "on" : "off");
    std::string text;
    bool soundWritten = false, helpWritten = false;
    for (std::string line : splitLines(kept)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string name = lineName(line);
        // A name the game owns is written once, where it first stood.
        if (name == "sound" || name == "help") {
            bool& written = name == "sound" ? soundWritten : helpWritten;
            if (!written) text += (name == "sound" ? sound : help) + "\n";
            written = true;
            continue;
        }
        text += line + "\n";
    }
    if (text.empty()) text = std::string(header) + "\n";
    if (!soundWritten) text += sound + "\n";
    if (!helpWritten) text += help + "\n";
    return text;
}

Settings readSettings() {
    Settings settings;
    const std::string path = settingsPath();
    if (path.empty()) return settings;
    std::string text, fault;
    if (!readSmallFile(path, text, fault) || !parseSettings(text, settings, fault)) {
        if (!fault.empty())
            reportLine("The settings file " + path + " cannot be used (" + fault + "): the defaults apply");
        return Settings{};
    }
    return settings;
}

void writeSettings(const Settings& settings) {
    const std::string path = settingsPath();
    if (path.empty()) {
        reportLine("The settings cannot be kept: there is no home folder");
        return;
    }
    const std::string folder = path.substr(0, path.rfind('/'));
    const std::string parent = folder.substr(0, folder.rfind('/'));
    ::mkdir(parent.c_str(), 0700);  // ~/.config may not exist yet
    ::mkdir(folder.c_str(), 0700);
    const std::string file = followLinks(path);
    // What the file holds now, as it stands, so that no line of it is lost;
    // a file that cannot be read keeps nothing but the game's own names.
    std::string kept, fault;
    readSmallFile(file, kept, fault);
    std::string fresh;
    if (!writeWholeFile(file, settingsText(kept, settings), fresh)) {
        const int why = errno;
        reportLine("The settings cannot be kept in " + file + ": " + std::strerror(why) +
                   (why == EEXIST ? " (" + fresh + " is in the way)" : ""));
    }
}

void rememberSoundSwitch() {
    Settings settings = readSettings();
    settings.soundOn = soundIsOn();
    writeSettings(settings);
}

void rememberHelpSeen() {
    Settings settings = readSettings();
    if (!settings.helpOn) return;
    settings.helpOn = false;
    writeSettings(settings);
}
