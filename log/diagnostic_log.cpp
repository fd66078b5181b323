#include "log/diagnostic_log.h"

#include <stdio.h>

namespace {

char g_messageBuffer[kLogBufferSize];

} // namespace

void LogAtLevelV(int level, const char* format, va_list args) {
    if (level > kLogFileThreshold && level > kLogConsoleThreshold) {
        return;
    }
    // The text is cut to the buffer, never written past it; the explicit NUL
    // covers runtimes whose vsnprintf leaves a cut text unterminated.
    vsnprintf(g_messageBuffer, kLogBufferSize, format, args);
    g_messageBuffer[kLogBufferSize - 1] = '\0';
    // The file channel has no file: nothing to write there.
    if (level <= kLogConsoleThreshold) {
        printf("%s\n", g_messageBuffer);
        fflush(stdout);
    }
}

void LogAtLevel(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogAtLevelV(level, format, args);
    va_end(args);
}

void LogError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogAtLevelV(kLogLevelError, format, args);
    va_end(args);
}
