// The settings file is small and read once at start: it is opened without
// blocking (a FIFO in its place cannot hang the game), only a regular file of
// at most a few kilobytes is read, and it is replaced whole, never rewritten
// in place, so a game killed while saving leaves the old or the new file.
#include "app/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "audio/sound_player.h"
#include "gfx/diagnostic.h"

namespace {

constexpr std::size_t mostSettingsBytes = 4096;

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

bool writeWholeFile(const std::string& path, const std::string& text) {
    const std::string fresh = path + ".new";
    const int descriptor = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descriptor < 0) return false;
    errno = 0;
    const bool written = ::write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const bool closed = ::close(descriptor) == 0;
    if (!written || !closed || std::rename(fresh.c_str(), path.c_str()) != 0) {
        const int why = errno ? errno : EIO;
        ::unlink(fresh.c_str());
        errno = why;
        return false;
    }
    return true;
}

}  // namespace

std::string settingsPath() {
    const std::string folder = configFolder();
    return folder.empty() ? "" : folder + "/settings";
}

bool parseSettings(const std::string& text, Settings& settings, std::string& fault) {
    Settings read;
    std::size_t at = 0;
    for (int number = 1; at < text.size(); ++number) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t space = line.find(' ');
        const std::string name = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (name == "sound") {
            if (value != "on" && value != "off") {
                fault = "line " + std::to_string(number) + ": sound is \"on\" or \"off\"";
                return false;
            }
            read.soundOn = value == "on";
        } else if (name == "help") {
            if (value != "on" && value != "off") {
                fault = "line " + std::to_string(number) + ": help is \"on\" or \"off\"";
                return false;
            }
            read.helpOn = value == "on";
        } else if (name.empty() || value.empty()) {
            fault = "line " + std::to_string(number) + " is not \"name value\"";
            return false;
        }
    }
    settings = read;
    return true;
}

std::string settingsText(const Settings& settings) {
    return std::string("# Velmora's settings, kept between games\nsound ") + (settings.soundOn ? "on" : "off") +
           "\nhelp " + (settings.helpOn ? "on" : "off") + "\n";
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
    if (!writeWholeFile(path, settingsText(settings)))
        reportLine("The settings cannot be kept in " + path + ": " + std::strerror(errno));
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
