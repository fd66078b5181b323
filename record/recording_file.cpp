// The kept frames written to a file beside the game, when the game is saved
// (OBSE_Lumenfold-YYYYMMDD-HHMMSS.rec, the five newest kept) or left
// (OBSE_Lumenfold-exit-YYYYMMDD-HHMMSS.rec, once a start, the newest kept).
#include <stdio.h>
#include <string.h>

#include "log/diagnostic_log.h"
#include "platform/game_path.h"
#include "platform/platform.h"
#include "record/frame_recorder.h"

namespace {

constexpr int kNameCapacity = 64;
// A second file in the same second gets "-2", "-3" ... up to this.
constexpr int kMaxSameSecond = 99;

// The date, time and number of a recording's file name; false for any other
// name (left alone). `order` is its place among the files written at this
// start of the game (1 for the first), 0 for a file from before.
struct RecordingName {
    char name[kNameCapacity];
    uint32_t date, time, number;
    uint32_t order;
};

// The two kinds of recording files, each kept apart from the other.
struct Pool {
    const char* prefix;
    int kept;
    const char* what; // for the log line
};
const Pool kPools[2] = {{kRecordingFilePrefix, kRecordingFilesKept, "at a saved game"},
                        {kExitRecordingFilePrefix, kExitRecordingFilesKept, "at leaving the game"}};

// The files written at this start of the game, the newest last (enough of
// them to rank every file a pool keeps).
constexpr int kWrittenRemembered = 8;
static_assert(kWrittenRemembered > kRecordingFilesKept, "room for every file kept");
char g_written[2][kWrittenRemembered][kNameCapacity];
uint32_t g_writtenOrder[2][kWrittenRemembered];
uint32_t g_writeCount = 0;
bool g_exitWritten = false;

void RememberWritten(int pool, const char* name) {
    ++g_writeCount;
    int slot = 0;
    for (int i = 1; i < kWrittenRemembered; ++i) {
        if (g_writtenOrder[pool][i] < g_writtenOrder[pool][slot]) {
            slot = i; // the oldest of those remembered gives its place
        }
    }
    snprintf(g_written[pool][slot], kNameCapacity, "%s", name);
    g_writtenOrder[pool][slot] = g_writeCount;
}

uint32_t WrittenOrder(int pool, const char* name) {
    for (int i = 0; i < kWrittenRemembered; ++i) {
        if (g_writtenOrder[pool][i] != 0 && strcmp(g_written[pool][i], name) == 0) {
            return g_writtenOrder[pool][i];
        }
    }
    return 0;
}

bool Digits(const char* p, int count, uint32_t* value) {
    *value = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9') {
            return false;
        }
        *value = *value * 10 + static_cast<uint32_t>(p[i] - '0');
    }
    return true;
}

bool ParseName(const char* name, const char* prefixText, RecordingName* out) {
    const size_t prefix = strlen(prefixText);
    if (strncmp(name, prefixText, prefix) != 0) {
        return false;
    }
    const size_t length = strlen(name);
    const size_t suffix = strlen(kRecordingFileSuffix);
    if (length >= kNameCapacity || length < prefix + 15 + suffix) {
        return false;
    }
    const char* p = name + prefix;
    if (!Digits(p, 8, &out->date) || p[8] != '-' || !Digits(p + 9, 6, &out->time)) {
        return false;
    }
    const char* rest = p + 15;
    out->number = 1;
    if (*rest == '-') {
        const char* end = strchr(rest, '.');
        const int count = end != nullptr ? static_cast<int>(end - rest - 1) : 0;
        if (count < 1 || count > 2 || !Digits(rest + 1, count, &out->number)) {
            return false;
        }
        rest += 1 + count;
    }
    if (strcmp(rest, kRecordingFileSuffix) != 0) {
        return false;
    }
    memcpy(out->name, name, length + 1);
    return true;
}

bool Older(const RecordingName& a, const RecordingName& b) {
    if (a.order != b.order) {
        return a.order < b.order; // the order of writing, where it is known
    }
    if (a.date != b.date) {
        return a.date < b.date;
    }
    if (a.time != b.time) {
        return a.time < b.time;
    }
    return a.number < b.number;
}

// The recordings of one pool found in the folder, the newest ones kept.
struct Found {
    int pool;
    RecordingName newest[kRecordingFilesKept + 1];
    int count = 0;
    char folder[kGamePathCapacity];
};
static_assert(kExitRecordingFilesKept <= kRecordingFilesKept, "room in Found");

void DeleteIn(const char* folder, const char* name) {
    char path[kGamePathCapacity];
    if (snprintf(path, sizeof path, "%s%s", folder, name) < static_cast<int>(sizeof path)) {
        PlatformDeleteFile(path);
    }
}

// Keeps the newest files in `found`, deleting any older one it pushes out.
void Consider(const char* name, void* context) {
    Found* f = static_cast<Found*>(context);
    const int kept = kPools[f->pool].kept;
    RecordingName r;
    if (!ParseName(name, kPools[f->pool].prefix, &r)) {
        return;
    }
    r.order = WrittenOrder(f->pool, r.name);
    int at = f->count;
    while (at > 0 && Older(f->newest[at - 1], r)) {
        --at;
    }
    if (at >= kept) {
        DeleteIn(f->folder, r.name);
        return;
    }
    if (f->count == kept) {
        DeleteIn(f->folder, f->newest[kept - 1].name);
        --f->count;
    }
    memmove(&f->newest[at + 1], &f->newest[at], sizeof(RecordingName) * (f->count - at));
    f->newest[at] = r;
    ++f->count;
}

struct FileSink {
    PlatformFile file;
    bool whole;
};

bool ToFile(const void* data, uint32_t size, void* context) {
    FileSink* s = static_cast<FileSink*>(context);
    s->whole = s->whole && PlatformWriteFile(s->file, data, size);
    return s->whole;
}

} // namespace

void ForgetRecordingFilesWritten() {
    memset(g_writtenOrder, 0, sizeof g_writtenOrder);
    g_writeCount = 0;
    g_exitWritten = false;
}

bool WriteRecordingFile(RecordingKind kind) {
    if (!RecordingFrames() || RecordedFrameCount() == 0) {
        return false;
    }
    const int pool = kind == RecordingKind::Exit ? 1 : 0;
    if (kind == RecordingKind::Exit && g_exitWritten) {
        return false; // one at leaving, per start of the game (tried again until it is)
    }
    LocalTime t;
    PlatformLocalTime(&t);
    // "OBSE_Lumenfold-exit-YYYYMMDD-HHMMSS", and room for "-99.rec" behind it.
    char stem[kNameCapacity - 8], name[kNameCapacity], path[kGamePathCapacity];
    snprintf(stem, sizeof stem, "%s%04u%02u%02u-%02u%02u%02u", kPools[pool].prefix, t.year % 10000u,
             t.month % 100u, t.day % 100u, t.hour % 100u, t.minute % 100u, t.second % 100u);
    // The first name of no file there: made as a new file, so that a file
    // another program made of that name meanwhile is never written over (it
    // is then the next name's turn).
    PlatformFile file = kNoFile;
    for (int n = 1; n <= kMaxSameSecond && file == kNoFile; ++n) {
        if (n == 1) {
            snprintf(name, sizeof name, "%s%s", stem, kRecordingFileSuffix);
        } else {
            snprintf(name, sizeof name, "%s-%d%s", stem, n, kRecordingFileSuffix);
        }
        FileStamp stamp;
        if (!BuildGamePath(name, path, kGamePathCapacity)) {
            break;
        }
        if (PlatformFileStamp(path, &stamp)) {
            continue;
        }
        file = PlatformCreateNewFile(path);
        if (file == kNoFile && !PlatformFileStamp(path, &stamp)) {
            break; // none there, and none can be made: the folder cannot be written
        }
    }
    if (file == kNoFile) {
        LogError("recording: %s cannot be written in the game's folder; the recording is lost",
                 name);
        return false;
    }
    FileSink sink = {file, true};
    WriteRecording(ToFile, &sink);
    PlatformCloseFile(file);
    if (!sink.whole) {
        PlatformDeleteFile(path); // the file this write made, and no other
        LogError("recording: %s could not be written whole (is the disk full?); the recording is "
                 "lost",
                 name);
        return false;
    }
    if (kind == RecordingKind::Exit) {
        g_exitWritten = true;
    }
    LogDetail("recording written: %s (%d frames, %s)", name, RecordedFrameCount(),
              kPools[pool].what);
    RememberWritten(pool, name);
    Found found;
    found.pool = pool;
    if (BuildGamePath("", found.folder, kGamePathCapacity)) {
        PlatformListFiles(found.folder, kPools[pool].prefix, kRecordingFileSuffix, Consider,
                          &found);
    }
    return true;
}
