// The diagnostic log: leveled messages. Errors and ordinary messages become
// one line each on standard output; errors also go to the system's debugger
// channel. Every message also goes to the log file OBSE_Lumenfold.log in the
// game's folder (beside the script extender's obse.log), which a player can
// open while the game runs and send with a report: it is made anew at each
// start of the game, and each line is written through at once.
#pragma once

#include <stdarg.h>

constexpr int kLogLevelError = 1;
constexpr int kLogLevelMessage = 3;
// What the plug-in found (its settings, every place it patched): for the log
// file only.
constexpr int kLogLevelDetail = 4;
// Messages at or below these levels reach the log file and standard output.
constexpr int kLogFileThreshold = 5;
constexpr int kLogConsoleThreshold = 3;
// The shared buffer of the formatted text; longer texts are cut to fit.
constexpr int kLogBufferSize = 8192;
// The longest line of the log file; a longer one is cut and ends in "...".
// Every line the plug-in writes itself is shorter (the longest: a place left
// out or written over with an indirect jump into a module of a long name,
// about 300); only texts of outside length are cut, and those are quoted
// short already.
constexpr int kLogFileLineLimit = 400;
// The log file, in the game's folder.
constexpr const char* kLogFileName = "OBSE_Lumenfold.log";

void LogAtLevelV(int level, const char* format, va_list args);
void LogAtLevel(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogDetail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Makes the log file anew in the game's folder (one that is open is closed
// first). Where the folder cannot be written (a protected install folder, or
// the file is held by another program), the plug-in goes on without it and
// says so once on the debugger channel.
void OpenLogFile();
void CloseLogFile();
bool LogFileOpen();

// A text from outside (a key, a value of the settings file) as a line quotes
// it: at most `limit` characters, cut with "...", control characters shown
// as '?'. Returns `out`.
const char* QuoteForLog(const char* text, char* out, int size, int limit = 60);
