#include "log/diagnostic_log.h"

#include <stdio.h>
#include <string.h>

#include "platform/game_path.h"
#include "platform/platform.h"

namespace {

char g_messageBuffer[kLogBufferSize];
// An error line as the debugger channel shows it: named, on a line of its own.
constexpr const char* kDebugPrefix = "Lumenfold: ";
char g_debugLine[kLogBufferSize + 16];

PlatformFile g_logFile = kNoFile;
// One line of the file: the text cut to the limit, then CR LF (the file is
// read in Windows' own editors).
constexpr const char* kCut = "...";
char g_fileLine[kLogFileLineLimit + 3];

void WriteFileLine(const char* text) {
    if (g_logFile == kNoFile) {
        return;
    }
    size_t length = strlen(text);
    memcpy(g_fileLine, text, length < kLogFileLineLimit ? length : kLogFileLineLimit);
    if (length > kLogFileLineLimit) {
        const size_t cutLength = strlen(kCut);
        memcpy(g_fileLine + kLogFileLineLimit - cutLength, kCut, cutLength);
        length = kLogFileLineLimit;
    }
    g_fileLine[length] = '\r';
    g_fileLine[length + 1] = '\n';
    // A write that fails (a full disk) loses the line; the game goes on.
    PlatformWriteFile(g_logFile, g_fileLine, static_cast<uint32_t>(length + 2));
}

} // namespace

void OpenLogFile() {
    CloseLogFile();
    char path[kGamePathCapacity];
    if (BuildGamePath(kLogFileName, path, kGamePathCapacity)) {
        g_logFile = PlatformCreateFile(path);
    }
    // Made once per start of the game: so told once.
    if (g_logFile == kNoFile) {
        PlatformDebugOutput("Lumenfold: the log file OBSE_Lumenfold.log cannot be written in the "
                            "game's folder; Lumenfold works without it\n");
    }
}

void CloseLogFile() {
    PlatformCloseFile(g_logFile);
    g_logFile = kNoFile;
}

bool LogFileOpen() {
    return g_logFile != kNoFile;
}

void LogAtLevelV(int level, const char* format, va_list args) {
    if (level > kLogFileThreshold && level > kLogConsoleThreshold) {
        return;
    }
    // The text is cut to the buffer, never written past it; the explicit NUL
    // covers runtimes whose vsnprintf leaves a cut text unterminated.
    vsnprintf(g_messageBuffer, kLogBufferSize, format, args);
    g_messageBuffer[kLogBufferSize - 1] = '\0';
    if (level <= kLogFileThreshold) {
        WriteFileLine(g_messageBuffer);
    }
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

void LogDetail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogAtLevelV(kLogLevelDetail, format, args);
    va_end(args);
}

const char* QuoteForLog(const char* text, char* out, int size, int limit) {
    if (limit > size - 4) {
        limit = size - 4;
    }
    int n = 0;
    for (; text[n] != '\0' && n < limit; ++n) {
        const unsigned char c = static_cast<unsigned char>(text[n]);
        out[n] = c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    }
    if (text[n] != '\0') {
        memcpy(out + n, kCut, 3);
        n += 3;
    }
    out[n] = '\0';
    return out;
}
