// Only a flag is set in the handler: writing the files out there is not safe
// while the loop may be in the middle of adding to them.
#include "app/ending_signals.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t caught = 0;

void noteSignal(int signal) { caught = signal; }

}  // namespace

void catchEndingSignals() {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, noteSignal);
}

int endingSignalCaught() { return caught; }
