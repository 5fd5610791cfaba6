// A private X server (Xvfb) and the game running in it, for tests that use the
// game as a player would. Everything started here is stopped again. Every wait
// here is for a condition (a window mapped, a frame counted, a line written),
// given up only after a limit that grows with the machine's load.
#pragma once
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // top row first
    const unsigned char* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// A limit of baseMs on an idle machine, longer in proportion to the load
// average per processor (up to ten times).
int patienceMs(int baseMs);
// Polls condition every 20 ms until it holds (true) or patienceMs(baseMs) passes (false).
bool waitUntil(const std::function<bool()>& condition, int baseMs);

// The last whole line of a file the game writes (its trace), or "".
std::string lastLine(const std::string& path);
// The number after the first "key": in a JSON line, or fallback.
double jsonNumber(const std::string& line, const std::string& key, double fallback = -1);

class XSession {
public:
    // Starts Xvfb on a display it picks itself; false if it would not start.
    bool start(const std::string& screen = "1280x1024");
    void stop();
    // Starts a window manager on the server (for full screen, which the game
    // asks of the window manager); false if it would not start.
    bool startWindowManager(const std::string& program);
    ~XSession() { stop(); }

    // Starts the game in the given folder with its output going to a file,
    // and waits until its window is mapped; without a window manager the
    // window is then moved to the screen's corner, unless arguments place it.
    bool startGame(const std::string& folder, const std::string& logFile,
                   const std::vector<std::string>& arguments = {});
    // The same for any command line that opens a window titled Velmora.
    bool startProgram(const std::vector<std::string>& command, const std::string& folder, const std::string& logFile,
                      bool moveToCorner = true);
    bool gameRunning();
    void stopGame();
    // Waits up to patienceMs(baseMs) for the game to end by itself: its exit
    // status, 128 + the signal that ended it, or -1 if it is still running.
    int waitForGameExit(int baseMs);
    // Asks the game window to close as a window manager does: a WM_DELETE_WINDOW
    // client message, sent only if the window takes part in that protocol.
    bool closeWindow();
    // Asks the window manager to maximize the game window (_NET_WM_STATE).
    bool maximizeWindow();
    void signalGame(int signal);
    std::string windowId() const { return window; }
    pid_t gameProcess() const { return game; }

    // More for the environment of the games started from now on ("NAME=value").
    // Unless it names one, each game keeps its settings in a folder of the
    // session's own, so no test changes another's (or the developer's) settings.
    std::vector<std::string> gameEnvironment;
    // The games started from now on open under the help sign, as a player's
    // first game does; otherwise their settings say it was seen (`help off`),
    // where they have no settings file yet.
    bool showHelpAtStart = false;
    // A library preloaded into the games started from now on, beside the driver.
    std::string preload;
    // Starting a game waits for its window to exist rather than to show (a
    // game started -iconic).
    bool windowMayStayHidden = false;

    // The game's frame log (VELMORA_FRAME_LOG), which every game started here writes.
    std::string frameLogPath() const { return frameLog; }
    // Frames the game has counted so far by its log, -1 before the first write.
    long long framesCounted();
    // Waits until the game has counted frames on at least two later writes of
    // its log (about half a second apart): every event sent before the call
    // has been handled and drawn by then.
    bool waitForFrames(int baseMs = 10000);

    // Runs a command with DISPLAY set; returns its standard output.
    std::string run(const std::string& command);
    // The game window's size, or false once it no longer exists.
    bool windowSize(int& width, int& height);
    bool waitForSize(int width, int height, int baseMs = 10000);
    // Where the window's top-left corner is on the screen.
    bool windowPosition(int& x, int& y);
    // Whether the X server shows the window (mapped, with all its ancestors).
    bool windowViewable();
    Screenshot screenshot();

private:
    pid_t server = -1;
    pid_t game = -1;
    pid_t windowManager = -1;
    int display = -1;
    std::string window;
    std::string frameLog;
    std::string displayName() const { return ":" + std::to_string(display); }
    bool findWindow(std::string& found);
};
