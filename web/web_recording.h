// Recordings in the browser. Every game played on the page is recorded in
// the page's memory, in the same lines as the desktop's --record, ready for
// the "Save recording" button; a recording the page was given (?play=) is
// watched instead, as velmora --play does; and with ?trace=1 the page keeps
// the game's trace, bacteria included, for tests to take.
#pragma once

struct Session;
struct Watch;

// What the page's arguments ask for.
struct BrowserArguments {
    bool tracing = false;
    bool drawing = true;              // false only for a watch nobody looks at
    const char* watchPath = nullptr;  // a recording to watch; null: play
    double speed = 1;
};

// The arguments the page passes to main: [--trace] [--play FILE [--speed X]
// [--no-draw]]. Anything it cannot use is said in one line and left out.
BrowserArguments readBrowserArguments(int argc, char** argv);

// Starts recording into the session, or watching the recording asked for:
// call with the game current. False when the recording to watch cannot be
// played (said in one line and on the page): then the game is not started.
bool startBrowserRecording(Session& session, Watch& watch, const BrowserArguments& arguments);

// After each frame's updates: the recording and a trace nobody takes are
// bounded, each said once when it stops.
void boundBrowserLines(Session& session);
