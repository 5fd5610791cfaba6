#include "core/steady_clock.h"

#include <chrono>

long long steadyNowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
