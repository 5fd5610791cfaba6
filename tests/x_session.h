// A private X server (Xvfb) and the game running in it, for tests that use the
// game as a player would. Everything started here is stopped again.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // top row first
    const unsigned char* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

class XSession {
public:
    // Starts Xvfb on the first free display; false if it would not start.
    bool start();
    void stop();
    // Starts a window manager on the server (for full screen, which the game
    // asks of the window manager); false if it would not start.
    bool startWindowManager(const std::string& program);
    ~XSession() { stop(); }

    // Starts the game in the given folder with its output going to a file.
    bool startGame(const std::string& folder, const std::string& logFile,
                   const std::vector<std::string>& arguments = {});
    // The same for any command line that opens a window titled Velmora.
    bool startProgram(const std::vector<std::string>& command, const std::string& folder, const std::string& logFile);
    bool gameRunning();
    void stopGame();
    // Waits up to timeoutMs for the game to end by itself: its exit status,
    // 128 + the signal that ended it, or -1 if it is still running.
    int waitForGameExit(int timeoutMs);
    // Asks the game window to close as a window manager does: a WM_DELETE_WINDOW
    // client message, sent only if the window takes part in that protocol.
    bool closeWindow();
    void signalGame(int signal);
    std::string windowId() const { return window; }
    pid_t gameProcess() const { return game; }

    // Runs a command with DISPLAY set; returns its standard output.
    std::string run(const std::string& command);
    // The game window's size as xwininfo reports it.
    bool windowSize(int& width, int& height);
    Screenshot screenshot();

private:
    pid_t server = -1;
    pid_t game = -1;
    pid_t windowManager = -1;
    int display = -1;
    std::string window;
};
