// Xvfb and game process handling for the window tests.
#include "tests/x_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "tests/temp_files.h"

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
        if (exists("/tmp/.X" + std::to_string(n) + "-lock") || exists("/tmp/.X11-unix/X" + std::to_string(n))) continue;
        display = n;
        // -noreset: otherwise the server starts over when its last client (the
        // readiness check below) leaves, and a game connecting just then is refused.
        server =
            spawn({"Xvfb", ":" + std::to_string(n), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"}, "",
                  "", "");
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
    finish(windowManager);
    finish(server);
}

bool XSession::startWindowManager(const std::string& program) {
    // Ready once it has claimed the screen as an EWMH window manager. Now and
    // then one gives up at once on a server that has only just started: try again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        finish(windowManager);
        windowManager = spawn({program}, "", "", ":" + std::to_string(display));
        for (int i = 0; i < 100 && alive(windowManager); ++i) {
            if (run("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    return false;
}

bool XSession::startGame(const std::string& folder, const std::string& logFile,
                         const std::vector<std::string>& arguments) {
    std::vector<std::string> command{VELMORA_GAME};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return startProgram(command, folder, logFile);
}

bool XSession::startProgram(const std::vector<std::string>& command, const std::string& folder,
                            const std::string& logFile) {
    game = spawn(command, folder, logFile, ":" + std::to_string(display));
    window = run("timeout 20 xdotool search --sync --onlyvisible --name '^Velmora$' | head -n 1");
    while (!window.empty() && (window.back() == '\n' || window.back() == ' ')) window.pop_back();
    const bool running = alive(game);
    if (window.empty() || !running) {
        // Say why, so a failure seen once can be understood afterwards.
        std::fprintf(stderr, "window %s, program %s, server %s; the program said:\n%s\n",
                     window.empty() ? "not found" : window.c_str(), running ? "running" : "ended",
                     alive(server) ? "running" : "ended", readText(logFile).c_str());
        return false;
    }
    // With no window manager the window lands one pixel off the screen's corner.
    run("xdotool windowmove " + window + " 0 0");
    return true;
}

bool XSession::gameRunning() { return alive(game); }

void XSession::stopGame() { finish(game); }

int XSession::waitForGameExit(int timeoutMs) {
    if (game <= 0) return -1;
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        int status = 0;
        if (waitpid(game, &status, WNOHANG) == game) {
            game = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

void XSession::signalGame(int signal) {
    if (game > 0) kill(game, signal);
}

bool XSession::closeWindow() {
    const std::string name = ":" + std::to_string(display);
    Display* x = XOpenDisplay(name.c_str());
    if (!x) return false;
    const Window id = static_cast<Window>(std::strtoul(window.c_str(), nullptr, 10));
    const Atom deleteWindow = XInternAtom(x, "WM_DELETE_WINDOW", False);
    Atom* protocols = nullptr;
    int count = 0;
    bool takesPart = false;
    if (XGetWMProtocols(x, id, &protocols, &count)) {
        for (int i = 0; i < count; ++i) takesPart = takesPart || protocols[i] == deleteWindow;
        XFree(protocols);
    }
    bool sent = false;
    if (takesPart) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = id;
        event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(deleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        sent = XSendEvent(x, id, False, NoEventMask, &event) != 0;
        XSync(x, False);
    }
    XCloseDisplay(x);
    return sent;
}

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
    // Read straight from the X server: quicker than any screenshot tool, so
    // the game has moved on as little as possible while it is taken.
    Screenshot shot;
    const std::string name = ":" + std::to_string(display);
    Display* x = XOpenDisplay(name.c_str());
    if (!x) return shot;
    const Window id = static_cast<Window>(std::strtoul(window.c_str(), nullptr, 10));
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x, id, &attributes)) {
        XImage* image = XGetImage(x, id, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
        if (image) {
            shot.width = attributes.width;
            shot.height = attributes.height;
            shot.rgb.resize(static_cast<size_t>(shot.width) * shot.height * 3);
            for (int y = 0; y < shot.height; ++y)
                for (int x0 = 0; x0 < shot.width; ++x0) {
                    const unsigned long pixel = XGetPixel(image, x0, y);
                    unsigned char* out = &shot.rgb[(static_cast<size_t>(y) * shot.width + x0) * 3];
                    out[0] = static_cast<unsigned char>((pixel & image->red_mask) >> 16);
                    out[1] = static_cast<unsigned char>((pixel & image->green_mask) >> 8);
                    out[2] = static_cast<unsigned char>(pixel & image->blue_mask);
                }
            XDestroyImage(image);
        }
    }
    XCloseDisplay(x);
    return shot;
}
