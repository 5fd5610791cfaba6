// Xvfb and game process handling for the window tests. The game's window is
// looked for with Xlib rather than xdotool: Debian 12's xdotool ends its
// search with an X error whenever any window on the server goes away in the
// middle of it, and "Velmora" alone would also match a previous game's window
// that the server has not yet taken down.
#include "tests/x_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/temp_files.h"

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(const std::vector<std::string>& args, const std::string& folder, const std::string& output,
            const std::string& displayName, const std::vector<std::string>& environment = {}, int keepFd = -1) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(127);
    int out = open(output.empty() ? "/dev/null" : output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
    }
    if (keepFd >= 0) dup2(keepFd, 3);
    if (!displayName.empty()) setenv("DISPLAY", displayName.c_str(), 1);
    for (const std::string& variable : environment) putenv(const_cast<char*>(variable.c_str()));
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// A game whose settings folder has no settings yet opens under its help sign
// and stands still there; the games the tests start have seen it already.
void keepHelpSeen(const std::vector<std::string>& environment) {
    std::string config;
    for (const std::string& variable : environment)
        if (variable.rfind("XDG_CONFIG_HOME=", 0) == 0) config = variable.substr(std::strlen("XDG_CONFIG_HOME="));
    if (config.empty()) return;
    const std::string folder = config + "/velmora", settings = folder + "/settings";
    if (access(settings.c_str(), F_OK) == 0) return;
    mkdir(config.c_str(), 0700);
    mkdir(folder.c_str(), 0700);
    std::ofstream(settings) << "help off\n";
}

bool alive(pid_t pid) { return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0; }

void finish(pid_t& pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    // A polite end first; a process too busy to take it within the limit is killed.
    waitUntil([&] { return !alive(pid); }, 2000);
    if (alive(pid)) kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

// The tests' own X connections never end the test on an X error: a window
// that has just gone away is an answer ("not there"), not a fault.
int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

// One short-lived connection per question, so nothing is left open between them.
class Connection {
public:
    explicit Connection(const std::string& name) : x(XOpenDisplay(name.c_str())) {
        static const bool handlerSet = (XSetErrorHandler(ignoreXErrors), true);
        (void)handlerSet;
    }
    ~Connection() {
        if (x) XCloseDisplay(x);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Display* x;
};

Window windowOf(const std::string& id) { return static_cast<Window>(std::strtoul(id.c_str(), nullptr, 10)); }

// The pid a window's client wrote on it, or 0.
long windowPid(Display* x, Window w) {
    const Atom pidAtom = XInternAtom(x, "_NET_WM_PID", True);
    if (pidAtom == None) return 0;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(x, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data && format == 32 && count == 1)
        pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return pid;
}

// A viewable window titled Velmora, from the given process when it names its
// process on the window; 0 when there is none (yet).
Window findGameWindow(Display* x, Window under, pid_t game, bool viewable) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(x, under, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        XWindowAttributes attributes;
        // A watching window's title goes on with what it shows: "Velmora - watching ...".
        const bool gameTitle =
            XFetchName(x, children[i], &name) && name &&
            (std::strcmp(name, "Velmora") == 0 || std::strncmp(name, "Velmora - ", std::strlen("Velmora - ")) == 0);
        if (gameTitle && XGetWindowAttributes(x, children[i], &attributes) &&
            (!viewable || attributes.map_state == IsViewable)) {
            const long pid = windowPid(x, children[i]);
            if (pid == 0 || pid == game) found = children[i];
        }
        if (name) XFree(name);
        if (!found) found = findGameWindow(x, children[i], game, viewable);
    }
    if (children) XFree(children);
    return found;
}

}  // namespace

int patienceMs(int baseMs) {
    double load = 0;
    if (std::FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1) load = 0;
        std::fclose(file);
    }
    const double cores = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
    return static_cast<int>(baseMs * std::clamp(load / cores, 1.0, 10.0));
}

bool waitUntil(const std::function<bool()>& condition, int baseMs) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(patienceMs(baseMs));
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string lastLine(const std::string& path) {
    // Only the file's tail: a trace grows by tens of kilobytes a second.
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return "";
    const std::streamoff size = file.tellg();
    const std::streamoff from = std::max<std::streamoff>(0, size - 65536);
    file.seekg(from);
    std::string text(static_cast<std::size_t>(size - from), '\0');
    file.read(&text[0], static_cast<std::streamsize>(text.size()));
    const std::size_t end = text.rfind('\n');
    if (end == std::string::npos || end == 0) return "";
    const std::size_t previous = text.rfind('\n', end - 1);
    const std::size_t start = previous == std::string::npos ? 0 : previous + 1;
    return text.substr(start, end - start);
}

double jsonNumber(const std::string& line, const std::string& key, double fallback) {
    const std::string quoted = "\"" + key + "\":";
    const std::size_t at = line.find(quoted);
    if (at == std::string::npos) return fallback;
    return std::strtod(line.c_str() + at + quoted.size(), nullptr);
}

bool XSession::start(const std::string& screen) {
    // Xvfb picks a free display and writes its number once it takes
    // connections: no guessing at lock files another test may be taking too.
    int ready[2];
    if (pipe(ready) != 0) return false;
    server = spawn({"Xvfb", "-displayfd", "3", "-screen", "0", screen + "x24", "-nolisten", "tcp", "-noreset"}, "", "",
                   "", {}, ready[1]);
    close(ready[1]);
    std::string number;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(patienceMs(20000));
    while (number.find('\n') == std::string::npos && Clock::now() < end) {
        pollfd wait{ready[0], POLLIN, 0};
        if (poll(&wait, 1, 100) <= 0) continue;
        char buffer[16];
        const ssize_t got = read(ready[0], buffer, sizeof buffer);
        if (got <= 0) break;  // the server ended
        number.append(buffer, static_cast<size_t>(got));
    }
    close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        finish(server);
        return false;
    }
    display = std::atoi(number.c_str());
    frameLog = "/tmp/velmora-frames-" + std::to_string(getpid()) + "-" + std::to_string(display) + ".txt";
    return true;
}

void XSession::stop() {
    stopGame();
    finish(windowManager);
    finish(server);
    if (!frameLog.empty()) {
        std::remove(frameLog.c_str());
        std::error_code ignored;
        std::filesystem::remove_all(frameLog.substr(0, frameLog.size() - 4) + "-config", ignored);
    }
}

bool XSession::startWindowManager(const std::string& program) {
    // Ready once it has claimed the screen as an EWMH window manager. Now and
    // then one gives up at once on a server that has only just started: try again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        finish(windowManager);
        windowManager = spawn({program}, "", "", displayName());
        const bool claimed = waitUntil(
            [&] {
                // The client list is written once it has taken over the windows
                // already there, the last step of openbox's start.
                const std::string root = run("xprop -root _NET_SUPPORTING_WM_CHECK _NET_CLIENT_LIST");
                return !alive(windowManager) ||
                       (root.find("_NET_SUPPORTING_WM_CHECK(WINDOW): window id") != std::string::npos &&
                        root.find("_NET_CLIENT_LIST(WINDOW)") != std::string::npos);
            },
            10000);
        if (claimed && alive(windowManager)) return true;
    }
    return false;
}

bool XSession::startGame(const std::string& folder, const std::string& logFile,
                         const std::vector<std::string>& arguments) {
    std::vector<std::string> command{VELMORA_GAME};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const bool placed = std::find(arguments.begin(), arguments.end(), "-geometry") != arguments.end();
    return startProgram(command, folder, logFile, !placed);
}

bool XSession::findWindow(std::string& found) {
    Connection c(displayName());
    if (!c.x) return false;
    const Window w = findGameWindow(c.x, DefaultRootWindow(c.x), game, !windowMayStayHidden);
    if (w) found = std::to_string(w);
    return w != 0;
}

bool XSession::startProgram(const std::vector<std::string>& command, const std::string& folder,
                            const std::string& logFile, bool moveToCorner) {
    std::remove(frameLog.c_str());
    window.clear();
    // When its loop returns, freeglut closes the display and Mesa unloads its
    // driver; LeakSanitizer could then no longer name the driver's own
    // allocations, and tests/driver_leaks.supp would miss them. A preloaded
    // library is never unloaded, so the driver stays nameable, while anything
    // of the game's own is still reported.
    std::vector<std::string> environment{"VELMORA_FRAME_LOG=" + frameLog,
                                         "XDG_CONFIG_HOME=" + frameLog.substr(0, frameLog.size() - 4) + "-config"};
    environment.insert(environment.end(), gameEnvironment.begin(), gameEnvironment.end());
    if (!showHelpAtStart) keepHelpSeen(environment);
    const std::string driver = "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so";
    std::string preloaded = preload;
    if (access(driver.c_str(), R_OK) == 0) preloaded = driver + (preload.empty() ? "" : ":" + preload);
    if (!preloaded.empty()) {
        const char* asan = std::getenv("ASAN_OPTIONS");
        environment.push_back("LD_PRELOAD=" + preloaded);
        environment.push_back("ASAN_OPTIONS=" + std::string(asan ? asan : "") + ":verify_asan_link_order=0");
    }
    game = spawn(command, folder, logFile, displayName(), environment);
    bool ended = false;
    waitUntil([&] { return (ended = !alive(game)) || findWindow(window); }, 30000);
    if (window.empty()) {
        // Say why, so a failure seen once can be understood afterwards.
        const std::string windows =
            run("for w in $(xwininfo -root -tree | grep '\"Velmora\"' | awk '{print $1}'); do "
                "echo $w $(xwininfo -id $w | grep 'Map State'); done");
        std::fprintf(stderr,
                     "no window after %d ms; program %s, server %s, window manager %s; windows titled "
                     "Velmora:\n%s\nthe program said:\n%s\n",
                     patienceMs(30000), ended ? "ended" : "running", alive(server) ? "running" : "ended",
                     windowManager < 0      ? "none"
                     : alive(windowManager) ? "running"
                                            : "ended",
                     windows.c_str(), readText(logFile).c_str());
        return false;
    }
    // With no window manager the window lands one pixel off the screen's corner.
    if (moveToCorner) {
        run("xdotool windowmove " + window + " 0 0");
        waitUntil(
            [&] {
                int x = -1, y = -1;
                return windowPosition(x, y) && x >= 0 && y >= 0;
            },
            5000);
    }
    return true;
}

bool XSession::gameRunning() { return alive(game); }

void XSession::stopGame() { finish(game); }

int XSession::waitForGameExit(int baseMs) {
    if (game <= 0) return -1;
    int status = 0;
    if (!waitUntil([&] { return waitpid(game, &status, WNOHANG) == game; }, baseMs)) return -1;
    game = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void XSession::signalGame(int signal) {
    if (game > 0) kill(game, signal);
}

bool XSession::closeWindow() {
    Connection c(displayName());
    if (!c.x) return false;
    const Window id = windowOf(window);
    const Atom deleteWindow = XInternAtom(c.x, "WM_DELETE_WINDOW", False);
    Atom* protocols = nullptr;
    int count = 0;
    bool takesPart = false;
    if (XGetWMProtocols(c.x, id, &protocols, &count)) {
        for (int i = 0; i < count; ++i) takesPart = takesPart || protocols[i] == deleteWindow;
        XFree(protocols);
    }
    if (!takesPart) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = id;
    event.xclient.message_type = XInternAtom(c.x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(c.x, id, False, NoEventMask, &event) != 0;
    XSync(c.x, False);
    return sent;
}

bool XSession::maximizeWindow() {
    Connection c(displayName());
    if (!c.x) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = windowOf(window);
    event.xclient.message_type = XInternAtom(c.x, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // add
    event.xclient.data.l[1] = static_cast<long>(XInternAtom(c.x, "_NET_WM_STATE_MAXIMIZED_VERT", False));
    event.xclient.data.l[2] = static_cast<long>(XInternAtom(c.x, "_NET_WM_STATE_MAXIMIZED_HORZ", False));
    event.xclient.data.l[3] = 1;  // asked for by an application
    const bool sent =
        XSendEvent(c.x, DefaultRootWindow(c.x), False, SubstructureRedirectMask | SubstructureNotifyMask, &event) != 0;
    XSync(c.x, False);
    return sent;
}

long long XSession::framesCounted() {
    std::ifstream log(frameLog);
    long long frames = -1;
    if (!(log >> frames)) return -1;
    return frames;
}

bool XSession::waitForFrames(int baseMs) {
    long long last = framesCounted();
    int writes = 0;
    return waitUntil(
        [&] {
            const long long now = framesCounted();
            if (now != last) ++writes, last = now;
            return writes >= 2;
        },
        baseMs);
}

std::string XSession::run(const std::string& command) {
    std::string full = "DISPLAY=" + displayName() + " " + command;
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
    width = height = -1;
    Connection c(displayName());
    XWindowAttributes attributes;
    if (!c.x || window.empty() || !XGetWindowAttributes(c.x, windowOf(window), &attributes)) return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

bool XSession::waitForSize(int width, int height, int baseMs) {
    return waitUntil(
        [&] {
            int w = 0, h = 0;
            return windowSize(w, h) && w == width && h == height;
        },
        baseMs);
}

bool XSession::windowPosition(int& x, int& y) {
    Connection c(displayName());
    Window child = 0;
    return c.x && !window.empty() &&
           XTranslateCoordinates(c.x, windowOf(window), DefaultRootWindow(c.x), 0, 0, &x, &y, &child);
}

bool XSession::windowViewable() {
    Connection c(displayName());
    XWindowAttributes attributes;
    return c.x && !window.empty() && XGetWindowAttributes(c.x, windowOf(window), &attributes) &&
           attributes.map_state == IsViewable;
}

Screenshot XSession::screenshot() {
    // Read straight from the X server: quicker than any screenshot tool, so
    // the game has moved on as little as possible while it is taken.
    Screenshot shot;
    Connection c(displayName());
    if (!c.x) return shot;
    const Window id = windowOf(window);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(c.x, id, &attributes)) {
        XImage* image = XGetImage(c.x, id, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
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
    return shot;
}
