// The game's clock in the browser. emscripten's GLUT counts GLUT_ELAPSED_TIME
// on the wall clock (Date.now), which steps back when the computer's time is
// set; the game would see a frame of negative length, and its recording a
// clock running backwards, which no replay accepts. Here it counts on the
// page's monotonic clock (performance.now) instead. The game asks GLUT for
// nothing else; any other question is answered by the canvas's size or 0.
// A page back in view moves the clock's start, so that the time it was hidden
// is never counted.
#include "web/web_clock.h"

#include <GL/glut.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

namespace {
// When the game's program was loaded, as GLUT's own count starts at glutInit;
// moved on by the time the page was hidden.
double startMs = emscripten_get_now();
}  // namespace

void setGameClock(int ms) { startMs = emscripten_get_now() - ms; }

int glutGet(GLenum query) {
    int width = 0, height = 0;
    switch (query) {
        case GLUT_ELAPSED_TIME:
            return static_cast<int>(emscripten_get_now() - startMs);
        case GLUT_WINDOW_WIDTH:
        case GLUT_WINDOW_HEIGHT:
            emscripten_get_canvas_element_size("#canvas", &width, &height);
            return query == GLUT_WINDOW_WIDTH ? width : height;
        default:
            return 0;
    }
}
