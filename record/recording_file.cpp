// The kept frames written to a file beside the game, when the game is saved
// or left: OBSE_Lumenfold-YYYYMMDD-HHMMSS.rec, the five newest kept.
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
// name (left alone).
struct RecordingName {
    char name[kNameCapacity];
    uint32_t date, time, number;
};

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

bool ParseName(const char* name, RecordingName* out) {
    const size_t prefix = strlen(kRecordingFilePrefix);
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
    if (a.date != b.date) {
        return a.date < b.date;
    }
    if (a.time != b.time) {
        return a.time < b.time;
    }
    return a.number < b.number;
}

// The recordings found in the folder, the newest ones kept.
struct Found {
    RecordingName newest[kRecordingFilesKept + 1];
    int count = 0;
    char folder[kGamePathCapacity];
};

void DeleteIn(const char* folder, const char* name) {
    char path[kGamePathCapacity];
    if (snprintf(path, sizeof path, "%s%s", folder, name) < static_cast<int>(sizeof path)) {
        PlatformDeleteFile(path);
    }
}

// Keeps the newest files in `found`, deleting any older one it pushes out.
void Consider(const char* name, void* context) {
    Found* f = static_cast<Found*>(context);
    RecordingName r;
    if (!ParseName(name, &r)) {
        return;
    }
    int at = f->count;
    while (at > 0 && Older(f->newest[at - 1], r)) {
        --at;
    }
    if (at >= kRecordingFilesKept) {
        DeleteIn(f->folder, r.name);
        return;
    }
    if (f->count == kRecordingFilesKept) {
        DeleteIn(f->folder, f->newest[kRecordingFilesKept - 1].name);
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

bool WriteRecordingFile() {
    if (!RecordingFrames() || RecordedFrameCount() == 0) {
        return false;
    }
    LocalTime t;
    PlatformLocalTime(&t);
    // "OBSE_Lumenfold-YYYYMMDD-HHMMSS", and room for "-99.rec" behind it.
    char stem[kNameCapacity - 8], name[kNameCapacity], path[kGamePathCapacity];
    snprintf(stem, sizeof stem, "%s%04u%02u%02u-%02u%02u%02u", kRecordingFilePrefix,
             t.year % 10000u, t.month % 100u, t.day % 100u, t.hour % 100u, t.minute % 100u,
             t.second % 100u);
    bool named = false;
    for (int n = 1; n <= kMaxSameSecond && !named; ++n) {
        if (n == 1) {
            snprintf(name, sizeof name, "%s%s", stem, kRecordingFileSuffix);
        } else {
            snprintf(name, sizeof name, "%s-%d%s", stem, n, kRecordingFileSuffix);
        }
        FileStamp stamp;
        named = BuildGamePath(name, path, kGamePathCapacity) && !PlatformFileStamp(path, &stamp);
    }
    const PlatformFile file = named ? PlatformCreateFile(path) : kNoFile;
    if (file == kNoFile) {
        LogError("recording: %s cannot be written in the game's folder; the recording is lost",
                 name);
        return false;
    }
    FileSink sink = {file, true};
    WriteRecording(ToFile, &sink);
    PlatformCloseFile(file);
    if (!sink.whole) {
        PlatformDeleteFile(path);
        LogError("recording: %s could not be written whole (is the disk full?); the recording is "
                 "lost",
                 name);
        return false;
    }
    LogDetail("recording written: %s (%d frames)", name, RecordedFrameCount());
    Found found;
    if (BuildGamePath("", found.folder, kGamePathCapacity)) {
        PlatformListFiles(found.folder, kRecordingFilePrefix, kRecordingFileSuffix, Consider,
                          &found);
    }
    return true;
}
