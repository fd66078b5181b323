// The diagnostic log: leveled messages, of which errors and ordinary messages
// become one line each on standard output. No log file is ever opened.
#pragma once

#include <stdarg.h>

constexpr int kLogLevelError = 1;
constexpr int kLogLevelMessage = 3;
// Messages at or below these levels reach the file channel (which has no file
// and so writes nothing) and standard output.
constexpr int kLogFileThreshold = 5;
constexpr int kLogConsoleThreshold = 3;
// The shared buffer of the formatted text; longer texts are cut to fit.
constexpr int kLogBufferSize = 8192;

void LogAtLevelV(int level, const char* format, va_list args);
void LogAtLevel(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
