// GLX swap control, looked up at run time: GLX_EXT_swap_control,
// GLX_MESA_swap_control or GLX_SGI_swap_control, whichever the driver offers.
// Under Xvfb and llvmpipe swapping never waits for a display, so the idle
// callback's frame cap is what keeps the rate down; where it does wait, the
// cap simply finds the frame already late and does not sleep.
#include "app/display_pacing.h"

#include <GL/glx.h>

#include <cstdint>
#include <cstring>

#include "app/command_line.h"
#include "session/frame_pacing.h"

namespace {

constexpr double assumedRefreshRate = 60;

using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);
using SwapIntervalMesa = int (*)(unsigned int);
using SwapIntervalSgi = int (*)(int);
using GetMscRateOml = Bool (*)(Display*, GLXDrawable, int32_t*, int32_t*);

// Whole-word match in the extension list.
bool hasExtension(const char* list, const char* name) {
    if (!list) return false;
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name)) {
        const bool startsWord = at == list || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord) return true;
    }
    return false;
}

template <typename Function>
Function lookUp(const char* name) {
    return reinterpret_cast<Function>(glXGetProcAddress(reinterpret_cast<const GLubyte*>(name)));
}

const char* extensions(Display* display) {
    return display ? glXQueryExtensionsString(display, DefaultScreen(display)) : nullptr;
}

bool requestSwapInterval(int interval) {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    const char* list = extensions(display);
    if (hasExtension(list, "GLX_EXT_swap_control") && drawable) {
        if (auto set = lookUp<SwapIntervalExt>("glXSwapIntervalEXT")) {
            set(display, drawable, interval);
            return true;
        }
    }
    if (hasExtension(list, "GLX_MESA_swap_control")) {
        if (auto set = lookUp<SwapIntervalMesa>("glXSwapIntervalMESA"))
            return set(static_cast<unsigned>(interval)) == 0;
    }
    // SGI's version cannot turn waiting off.
    if (interval > 0 && hasExtension(list, "GLX_SGI_swap_control")) {
        if (auto set = lookUp<SwapIntervalSgi>("glXSwapIntervalSGI")) return set(interval) == 0;
    }
    return false;
}

// The display's refresh in frames a second, or 0 when the driver cannot say.
double refreshRate() {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    if (!drawable || !hasExtension(extensions(display), "GLX_OML_sync_control")) return 0;
    auto getRate = lookUp<GetMscRateOml>("glXGetMscRateOML");
    int32_t numerator = 0, denominator = 0;
    if (!getRate || !getRate(display, drawable, &numerator, &denominator) || numerator <= 0 || denominator <= 0)
        return 0;
    return static_cast<double>(numerator) / denominator;
}

}  // namespace

void startFramePacing(int framesPerSecond) {
    double refresh = refreshRate();
    if (refresh <= 0) refresh = assumedRefreshRate;
    const double cap = framesPerSecond == frameRateOfDisplay ? refresh : framesPerSecond;
    // Waiting for the display would hold a higher cap down to the refresh.
    requestSwapInterval(cap > 0 && cap <= refresh ? 1 : 0);
    setFrameRateCap(cap);
    startFrameLog();
}
