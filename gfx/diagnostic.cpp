// Diagnostic lines: one line each, flushed so they survive a crash right after.
#include "gfx/diagnostic.h"

std::FILE* diagnosticStream = stdout;

void reportLine(const std::string& text) {
    std::FILE* out = diagnosticStream ? diagnosticStream : stdout;
    std::fputs(text.c_str(), out);
    std::fputc('\n', out);
    std::fflush(out);
}
