// Xvfb and game process handling for the window tests.
#include "tests/x_session.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "gfx/png_image.h"

namespace {

pid_t spawn(const std::vector<std::string>& args, const std::string& folder, const std::string& output,
            const std::string& displayName) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(127);
    int out = open(output.empty() ? "/dev/null" : output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
    }
    if (!displayName.empty()) setenv("DISPLAY", displayName.c_str(), 1);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

bool alive(pid_t pid) { return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0; }

void finish(pid_t& pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 50 && alive(pid); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (alive(pid)) kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

}  // namespace

bool XSession::start() {
    for (int n = 90 + getpid() % 50; n < 300; ++n) {
        if (exists("/tmp/.X" + std::to_string(n) + "-lock") || exists("/tmp/.X11-unix/X" + std::to_string(n)))
            continue;
        display = n;
        server = spawn({"Xvfb", ":" + std::to_string(n), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, "", "",
                       "");
        for (int i = 0; i < 100; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!alive(server)) break;
            if (exists("/tmp/.X11-unix/X" + std::to_string(n)) &&
                std::system(("DISPLAY=:" + std::to_string(n) + " xdpyinfo >/dev/null 2>&1").c_str()) == 0)
                return true;
        }
        finish(server);
    }
    return false;
}

void XSession::stop() {
    stopGame();
    finish(server);
}

bool XSession::startGame(const std::string& folder, const std::string& logFile) {
    game = spawn({VELMORA_GAME}, folder, logFile, ":" + std::to_string(display));
    window = run("timeout 20 xdotool search --sync --onlyvisible --name '^Velmora$' | head -n 1");
    while (!window.empty() && (window.back() == '\n' || window.back() == ' ')) window.pop_back();
    if (window.empty()) return false;
    // With no window manager the window lands one pixel off the screen's corner.
    run("xdotool windowmove " + window + " 0 0");
    return alive(game);
}

bool XSession::gameRunning() { return alive(game); }

void XSession::stopGame() { finish(game); }

std::string XSession::run(const std::string& command) {
    std::string full = "DISPLAY=:" + std::to_string(display) + " " + command;
    std::string out;
    if (FILE* pipe = popen(full.c_str(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
        pclose(pipe);
    }
    return out;
}

bool XSession::windowSize(int& width, int& height) {
    std::string info = run("xwininfo -id " + window);
    auto field = [&](const char* name) {
        size_t at = info.find(name);
        return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + std::string(name).size());
    };
    width = field("Width:");
    height = field("Height:");
    return width > 0 && height > 0;
}

Screenshot XSession::screenshot() {
    Screenshot shot;
    char path[] = "/tmp/velmora-shot-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return shot;
    close(fd);
    std::string png = std::string(path) + ".png";
    // The window's own capture loses its last row and column; crop the screen instead.
    std::string info = run("xwininfo -id " + window);
    auto field = [&](const char* name) {
        size_t at = info.find(name);
        return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + std::string(name).size());
    };
    const std::string crop = std::to_string(field("Width:")) + "x" + std::to_string(field("Height:")) + "+" +
                             std::to_string(field("Absolute upper-left X:")) + "+" +
                             std::to_string(field("Absolute upper-left Y:"));
    run("import -window root -crop " + crop + " +repage PNG24:" + png);
    std::remove(path);
    if (FILE* file = std::fopen(png.c_str(), "rb")) {
        ImageBuffer image;
        if (decodePngFile(file, image) && image.channels >= 3) {
            shot.width = static_cast<int>(image.width);
            shot.height = static_cast<int>(image.height);
            shot.rgb.resize(static_cast<size_t>(shot.width) * shot.height * 3);
            for (size_t i = 0, n = static_cast<size_t>(shot.width) * shot.height; i < n; ++i)
                for (int c = 0; c < 3; ++c) shot.rgb[i * 3 + c] = image.bytes[i * image.channels + c];
        }
        std::fclose(file);
    }
    std::remove(png.c_str());
    return shot;
}
