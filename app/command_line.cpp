// Reading the command line. GLUT's X options are set aside first, so that
// --help and --version work without a display and anything else unknown is an
// error rather than something GLUT quietly drops.
#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <utility>

#include "core/version.h"
#include "gfx/diagnostic.h"

namespace {

constexpr int badOptionStatus = 2;

// freeglut's X11 options; the first group takes a value.
bool isGlutOptionWithValue(const char* a) { return !std::strcmp(a, "-display") || !std::strcmp(a, "-geometry"); }
bool isGlutFlag(const char* a) {
    for (const char* flag : {"-iconic", "-indirect", "-direct", "-gldebug", "-sync"})
        if (!std::strcmp(a, flag)) return true;
    return false;
}

constexpr int mostFramesPerSecond = 1000;

// Wider windows would ask the driver for buffers of hundreds of megabytes.
constexpr int widestWindow = 8192;

// The size part of an X geometry, "[=][W{xX}H][{+-}X{+-}Y]", if it has one.
// The window keeps the width and takes the 4:3 height of it, as a resize does;
// the position is left to GLUT.
void readGeometrySize(const char* geometry, CommandLine& commandLine) {
    const char* at = geometry;
    if (*at == '=') ++at;
    if (*at < '0' || *at > '9') return;  // a position alone, or nothing GLUT would read as a size
    long width = 0;
    for (; *at >= '0' && *at <= '9'; ++at) width = std::min(width * 10 + (*at - '0'), 1000000L);
    if (*at != 'x' && *at != 'X') return;
    const int height = static_cast<int>(width * 0.75);
    if (width > widestWindow || height < 1) {
        reportLine(std::string("-geometry ") + geometry + ": the window must be 2 to " + std::to_string(widestWindow) +
                   " pixels wide; it opens at 800 x 600");
        return;
    }
    commandLine.windowWidth = static_cast<int>(width);
    commandLine.windowHeight = height;
}

// Whole numbers only: CLI11's own checks would take 2.5 and call x a float.
const CLI::Validator frameRateValue(
    [](std::string& text) -> std::string {
        const bool digits = !text.empty() && text.size() <= 4 &&
                            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (digits && std::stoi(text) <= mostFramesPerSecond) return "";
        return text + " is not a whole number from 0 to " + std::to_string(mostFramesPerSecond);
    },
    "");

// Watching a hundred times slower already shows one frame in a second and a
// half; slower still (a frame in years) is a window that looks stuck. 0 is as
// fast as the machine goes, as on the page.
constexpr double slowestPlaySpeed = 0.01;
constexpr double fastestPlaySpeed = 1000;

// A plain decimal number, so that "inf", "nan" and hexadecimal are refused.
const CLI::Validator playSpeedValue(
    [](std::string& text) -> std::string {
        const bool plain = !text.empty() && text.size() <= 12 && std::all_of(text.begin(), text.end(), [](char c) {
            return (c >= '0' && c <= '9') || c == '.';
        });
        char* end = nullptr;
        const double value = plain ? std::strtod(text.c_str(), &end) : -1;
        const bool number = plain && end != text.c_str() && *end == '\0';
        if (number && (value == 0 || (value >= slowestPlaySpeed && value <= fastestPlaySpeed))) return "";
        return text + " is not a speed: 0 (as fast as it goes) or from 0.01 to " +
               std::to_string(static_cast<int>(fastestPlaySpeed));
    },
    "");

// An empty name would quietly record nothing.
const CLI::Validator fileName(
    [](std::string& text) -> std::string { return text.empty() ? "a file name is needed" : ""; }, "");

// Two names for one file: the same path written two ways, or a link.
bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error)) return true;
    const std::filesystem::path first = std::filesystem::weakly_canonical(a, error);
    if (error) return a == b;
    const std::filesystem::path second = std::filesystem::weakly_canonical(b, error);
    return error ? a == b : first == second;
}

}  // namespace

int readCommandLine(int argc, char** argv, CommandLine& commandLine) {
    commandLine.glutArguments.assign(argv, argv + 1);
    std::vector<std::string> ours;
    for (int i = 1; i < argc; ++i) {
        if (isGlutOptionWithValue(argv[i]) && i + 1 < argc) {
            if (!std::strcmp(argv[i], "-geometry")) readGeometrySize(argv[i + 1], commandLine);
            commandLine.glutArguments.push_back(argv[i]);
            commandLine.glutArguments.push_back(argv[++i]);
        } else if (isGlutFlag(argv[i])) {
            commandLine.glutArguments.push_back(argv[i]);
        } else {
            ours.push_back(argv[i]);
        }
    }

    CLI::App app{"Velmora: a small arcade game set in a mouth. Drag food onto the teeth and watch the bacteria breed.",
                 "velmora"};
    app.set_version_flag("--version", velmoraVersion);
    app.add_flag("--fullscreen", commandLine.fullscreen, "Start in full screen (F11 toggles, Esc leaves)");
    app.add_flag("--mute", commandLine.mute, "Start with sound off (M turns it on and off)");
    app.add_option("--fps", commandLine.framesPerSecond,
                   "Draw at most N frames a second; 0 draws as fast as the machine can (default: the display's rate)")
        ->check(frameRateValue)
        ->option_text("N");
    app.add_option("--record", commandLine.recordPath, "Record the game as a replay script in FILE")
        ->check(fileName)
        ->option_text("FILE");
    app.add_option("--trace", commandLine.tracePath, "Write the game's state after every frame to FILE, as JSON lines")
        ->check(fileName)
        ->option_text("FILE");
    CLI::Option* play = app.add_option("--play", commandLine.playPath,
                                       "Watch the recording FILE in the window; mouse and keys do not reach the game")
                            ->check(fileName)
                            ->option_text("FILE")
                            ->excludes("--record");
    app.add_option("--speed", commandLine.playSpeed,
                   "Watch the recording X times as fast as it was played (default 1; 0: as fast as it goes)")
        ->check(playSpeedValue)
        ->option_text("X")
        ->needs(play);
    app.footer(
        "X options such as -display and -geometry WxH+X+Y are passed on to GLUT; the window keeps the width W "
        "and is 3/4 of it high.");

    std::reverse(ours.begin(), ours.end());  // CLI11 takes its arguments back to front
    try {
        app.parse(ours);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);  // the message, then a pointer to --help
        std::cerr << app.help();
        return badOptionStatus;
    }
    // Both written into one file, their lines would interleave into something
    // neither a replay nor a trace reader can use; a trace written over the
    // recording being watched would destroy it.
    const std::pair<const char*, const std::string*> sources[] = {{"--record", &commandLine.recordPath},
                                                                  {"--play", &commandLine.playPath}};
    for (const auto& [option, path] : sources) {
        if (path->empty() || commandLine.tracePath.empty() || !sameFile(*path, commandLine.tracePath)) continue;
        std::cerr << option << " and --trace name the same file, " << commandLine.tracePath << ": each needs its own\n"
                  << app.help();
        return badOptionStatus;
    }
    return -1;
}
