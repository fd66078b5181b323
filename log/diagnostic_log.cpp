#include "log/diagnostic_log.h"

#include <stdio.h>

#include "platform/platform.h"

namespace {

char g_messageBuffer[kLogBufferSize];
// An error line as the debugger channel shows it: named, on a line of its own.
constexpr const char* kDebugPrefix = "Lumenfold: ";
char g_debugLine[kLogBufferSize + 16];

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
    // A windowed game has no console: errors also go to the debugger channel.
    if (level <= kLogLevelError) {
        snprintf(g_debugLine, sizeof g_debugLine, "%s%s\n", kDebugPrefix, g_messageBuffer);
        PlatformDebugOutput(g_debugLine);
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
