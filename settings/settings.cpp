#include "settings/settings.h"

#include <math.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include "log/diagnostic_log.h"
#include "platform/game_path.h"
#include "platform/platform.h"
#include "settings/number_text.h"
#include "settings/settings_check.h"

SettingsRecord Settings;

namespace {

// What the file said at load, before anything of the load changed a value.
SettingsRecord g_fileAtLoad;

} // namespace

const SettingsKey kSettingsKeys[kSettingsKeyCount] = {
#define LF_INTEGER_ROW(key, fallback, reload)                                                      \
    {#key, false, fallback, nullptr, offsetof(SettingsRecord, key), reload},
#define LF_FLOAT_ROW(key, fallback, reload)                                                        \
    {#key, true, 0, fallback, offsetof(SettingsRecord, key), reload},
    LF_SETTINGS_INTEGERS(LF_INTEGER_ROW) LF_SETTINGS_FLOATS(LF_FLOAT_ROW)
        LF_SETTINGS_LATE_INTEGERS(LF_INTEGER_ROW)
#undef LF_INTEGER_ROW
#undef LF_FLOAT_ROW
};

bool BuildSettingsPath(char* path, uint32_t capacity) {
    return BuildGamePath(kSettingsRelativePath, path, capacity);
}

int32_t* SettingsInteger(SettingsRecord* record, const SettingsKey& key) {
    return reinterpret_cast<int32_t*>(reinterpret_cast<char*>(record) + key.offset);
}
float* SettingsFloat(SettingsRecord* record, const SettingsKey& key) {
    return reinterpret_cast<float*>(reinterpret_cast<char*>(record) + key.offset);
}
const int32_t* SettingsInteger(const SettingsRecord* record, const SettingsKey& key) {
    return reinterpret_cast<const int32_t*>(reinterpret_cast<const char*>(record) + key.offset);
}
const float* SettingsFloat(const SettingsRecord* record, const SettingsKey& key) {
    return reinterpret_cast<const float*>(reinterpret_cast<const char*>(record) + key.offset);
}

namespace {

int32_t* IntegerField(const SettingsKey& k) {
    return SettingsInteger(&Settings, k);
}
float* FloatField(const SettingsKey& k) {
    return SettingsFloat(&Settings, k);
}

} // namespace

double SettingsFloatDefault(const float* field) {
    for (const SettingsKey& k : kSettingsKeys) {
        if (k.isFloat && FloatField(k) == field) {
            return ParseDecimalPrefix(k.defaultText);
        }
    }
    return 0.0;
}

float SettingsFloatFromText(const char* text, const char* defaultText, bool* tooLarge) {
    const float value = static_cast<float>(ParseDecimalPrefix(text));
    const bool infinite = isinf(value);
    if (tooLarge != nullptr) {
        *tooLarge = infinite;
    }
    return infinite ? static_cast<float>(ParseDecimalPrefix(defaultText)) : value;
}

float DefaultFloat(const SettingsKey& k) {
    return static_cast<float>(ParseDecimalPrefix(k.defaultText));
}

void SetDefaultSettings() {
    for (const SettingsKey& k : kSettingsKeys) {
        if (k.isFloat) {
            *FloatField(k) = DefaultFloat(k);
        } else {
            *IntegerField(k) = k.integerDefault;
        }
    }
}

namespace {

// What a read of the file and the watch remember: the path (built at load),
// when the watch last looked, and the file's time and size after the last
// read of it.
char g_path[kSettingsPathCapacity];
bool g_pathValid = false;
uint32_t g_lastLook = 0;
FileStamp g_stamp = {};
bool g_stampValid = false;
// How the last reading failed (Read: it did not): after a failure the watch
// reads the file again at each look until a reading succeeds, and tells
// each kind of failure once until then.
SettingsFileRead g_failure = SettingsFileRead::Read;

constexpr int kQuoteSize = 72;
// The key list of [Main]; a longer list is cut and looked through in part.
constexpr uint32_t kKeyListSize = 16384;
char g_keyList[kKeyListSize];
// More unknown keys than this are counted, not named one by one.
constexpr int kUnknownKeysNamed = 20;

bool Stamp(const char* path, FileStamp* stamp) {
    return PlatformFileStamp(path, stamp) && !stamp->isFolder;
}

bool SameStamp(bool validA, const FileStamp& a, bool validB, const FileStamp& b) {
    return validA == validB && (!validA || (a.writeTime == b.writeTime && a.size == b.size));
}

void FormatValue(const SettingsRecord* record, const SettingsKey& k, char* out, int size) {
    if (k.isFloat) {
        snprintf(out, static_cast<size_t>(size), "%g",
                 static_cast<double>(*SettingsFloat(record, k)));
    } else {
        snprintf(out, static_cast<size_t>(size), "%d",
                 static_cast<int>(*SettingsInteger(record, k)));
    }
}

bool HasDefault(const SettingsKey& k) {
    return k.isFloat ? *SettingsFloat(&Settings, k) == DefaultFloat(k)
                     : *SettingsInteger(&Settings, k) == k.integerDefault;
}

bool IsKnownKey(const char* name) {
    for (const SettingsKey& k : kSettingsKeys) {
        if (strcasecmp(k.name, name) == 0) {
            return true;
        }
    }
    return false;
}

void LogValueWarning(const SettingsKey&, const char* warning, void*) {
    LogDetail("warning: %s", warning);
}

// Unknown keys of [Main], and values the plug-in reads otherwise than the
// file writes them: a warning each, in the log file.
void LogFileWarnings(const char* path) {
    char line[2 * kQuoteSize + 64];
    const uint32_t length = PlatformProfileKeys(kSettingsSection, g_keyList, kKeyListSize, path);
    // A cut list ends in a shortened name, which is not looked at.
    const bool cut = length == kKeyListSize - 2;
    int unknown = 0;
    for (const char* name = g_keyList; *name != '\0' && name < g_keyList + length;
         name += strlen(name) + 1) {
        const char* next = name + strlen(name) + 1;
        if (cut && (next >= g_keyList + length || *next == '\0')) {
            break;
        }
        if (IsKnownKey(name)) {
            continue;
        }
        if (++unknown <= kUnknownKeysNamed) {
            UnknownKeyWarning(name, line, sizeof line);
            LogDetail("warning: %s", line);
        }
    }
    if (unknown > kUnknownKeysNamed) {
        LogDetail("warning: %d more unknown keys are ignored", unknown - kUnknownKeysNamed);
    }
    if (cut) {
        LogDetail("warning: [Main] holds more keys than Lumenfold looks through; the last ones "
                  "were not checked");
    }
    ForEachValueWarning(path, LogValueWarning, nullptr);
}

// Every value that differs from its default, with the text the file gives.
void LogValuesRead(const char* path) {
    for (const SettingsKey& k : kSettingsKeys) {
        if (HasDefault(k)) {
            continue;
        }
        char value[32], text[kSettingsTextCapacity], quoted[kQuoteSize];
        FormatValue(&Settings, k, value, sizeof value);
        PlatformProfileString(kSettingsSection, k.name, "", text, kSettingsTextCapacity, path);
        LogDetail("setting %s = %s (the file says \"%s\")", k.name, value,
                  QuoteForLog(text, quoted, sizeof quoted));
    }
}

} // namespace

void UnknownKeyWarning(const char* key, char* out, int size) {
    char quoted[kQuoteSize];
    const char* nearest = NearestSettingsKey(key);
    snprintf(out, static_cast<size_t>(size), "unknown key \"%s\" is ignored%s%s%s",
             QuoteForLog(key, quoted, sizeof quoted), nearest ? " (did you mean " : "",
             nearest ? nearest : "", nearest ? "?)" : "");
}

void TooLargeWarning(const SettingsKey& key, const char* value, char* out, int size) {
    char quoted[kQuoteSize];
    snprintf(out, static_cast<size_t>(size),
             "%s = \"%s\" is too large for a number: it keeps its default %s", key.name,
             QuoteForLog(value, quoted, sizeof quoted), key.defaultText);
}

SettingsFileRead ReadSettingsSettled(SettingsRecord* record, const char* path) {
    for (int attempt = 0; attempt < kSettingsReadAttempts; ++attempt) {
        FileStamp before, after;
        const bool hadBefore = Stamp(path, &before);
        if (!hadBefore || !PlatformFileReadable(path)) {
            ReadSettingsInto(record, path); // the defaults, as the profile calls give them
            // A file there that cannot be read (an editor holds it, or it is
            // a folder) is not read again until it changes.
            g_stamp = before;
            g_stampValid = hadBefore;
            return SettingsFileRead::Missing;
        }
        ReadSettingsInto(record, path);
        const bool hasAfter = Stamp(path, &after);
        if (SameStamp(hadBefore, before, hasAfter, after)) {
            g_stamp = after;
            g_stampValid = true;
            return SettingsFileRead::Read;
        }
    }
    // Still changing: looked at again at the next look, whatever it holds.
    g_stampValid = false;
    return SettingsFileRead::Unsettled;
}

void ReadSettings() {
    g_pathValid = BuildSettingsPath(g_path, kSettingsPathCapacity);
    g_stampValid = false;
    g_failure = SettingsFileRead::Read;
    g_lastLook = PlatformMilliseconds();
    if (!g_pathValid) {
        SetDefaultSettings();
        LogDetail("settings file: the game's folder cannot be found; every setting has its "
                  "default");
    } else {
        const SettingsFileRead read = ReadSettingsSettled(&Settings, g_path);
        LogDetail("settings file %s: %s", g_path,
                  read == SettingsFileRead::Missing ? "not found; every setting has its default"
                                                    : "found");
        if (read == SettingsFileRead::Unsettled) {
            LogDetail("warning: the settings file kept changing while it was read; its values "
                      "may mix two versions of it");
            g_failure = read; // told here: the watch reads it again once it holds still
        }
        if (read != SettingsFileRead::Missing) {
            LogValuesRead(g_path);
            LogFileWarnings(g_path);
        }
    }
    g_fileAtLoad = Settings;
}

void ReadSettingsFrom(const char* path) {
    ReadSettingsInto(&Settings, path);
}

void ReadSettingsInto(SettingsRecord* record, const char* path) {
    for (const SettingsKey& k : kSettingsKeys) {
        if (!k.isFloat) {
            *SettingsInteger(record, k) = static_cast<int32_t>(
                PlatformProfileInt(kSettingsSection, k.name, k.integerDefault, path));
            continue;
        }
        char text[kSettingsTextCapacity];
        PlatformProfileString(kSettingsSection, k.name, k.defaultText, text, kSettingsTextCapacity,
                              path);
        *SettingsFloat(record, k) = SettingsFloatFromText(text, k.defaultText);
    }
}

namespace {

// A key's value from `from` into `next`, logged when it changes (bit for
// bit: a value read again as the same number is no change): by the file read
// again, or by another plug-in (`who`) for this start of the game.
void TakeValue(const SettingsKey& k, const SettingsRecord& from, SettingsRecord* next,
               const char* who) {
    if (memcmp(reinterpret_cast<const char*>(&from) + k.offset,
               reinterpret_cast<const char*>(&Settings) + k.offset, 4) != 0) {
        char before[32], after[32];
        FormatValue(&Settings, k, before, sizeof before);
        FormatValue(&from, k, after, sizeof after);
        if (who == nullptr) {
            LogDetail("%s %s -> %s", k.name, before, after);
        } else {
            char quoted[kQuoteSize];
            LogDetail("tuning: \"%s\" sets %s %s -> %s for this start of the game (the settings "
                      "file wins when it is read again)",
                      QuoteForLog(who, quoted, sizeof quoted), k.name, before, after);
        }
    }
    memcpy(reinterpret_cast<char*>(next) + k.offset,
           reinterpret_cast<const char*>(&from) + k.offset, 4);
}

// A reload: on a saved game's load (every failure told, as the player asked
// for it) or by the watch (each kind of failure told once until a reading
// succeeds, not at every look).
void Reload(bool watching) {
    // The profile calls give the defaults for a file that is missing or
    // cannot be read: that would throw away the running values of a player
    // who is editing the file. So the file is looked at first, and a file
    // caught in the middle of being saved is not taken either.
    SettingsRecord file;
    const SettingsFileRead read =
        g_pathValid ? ReadSettingsSettled(&file, g_path) : SettingsFileRead::Missing;
    if (read != SettingsFileRead::Read) {
        if (!watching || g_failure != read) {
            LogAtLevel(kLogLevelMessage,
                       read == SettingsFileRead::Missing
                           ? "the settings file cannot be read: every setting keeps its current "
                             "value"
                           : "the settings file kept changing while it was read: every setting "
                             "keeps its current value");
        }
        g_failure = read;
        return;
    }
    g_failure = SettingsFileRead::Read;
    SettingsRecord next = Settings;
    for (const SettingsKey& k : kSettingsKeys) {
        const bool changed = k.isFloat
                                 ? *SettingsFloat(&file, k) != *SettingsFloat(&g_fileAtLoad, k)
                                 : *SettingsInteger(&file, k) != *SettingsInteger(&g_fileAtLoad, k);
        if (k.keptOnReload) {
            if (changed) {
                LogAtLevel(kLogLevelMessage,
                           "%s changed in the file: takes effect at the next start of the game",
                           k.name);
            }
            continue;
        }
        TakeValue(k, file, &next, nullptr);
    }
    LogFileWarnings(g_path);
    Settings = next; // the per-frame logic sees the old values or the new, never a mix
}

} // namespace

void ReloadSettings() {
    Reload(false);
}

void WatchSettingsFile() {
    const uint32_t now = PlatformMilliseconds();
    if (now - g_lastLook < kSettingsWatchInterval || !g_pathValid) {
        return;
    }
    g_lastLook = now;
    FileStamp stamp;
    const bool exists = Stamp(g_path, &stamp);
    // Read only when the file's time or size changed since it was last
    // read, or tried: a file that cannot be read stays unread until it is
    // saved again; one caught changing is read again at the next look.
    if (SameStamp(exists, stamp, g_stampValid, g_stamp)) {
        return;
    }
    // Whatever the reload finds, this version of the file has been seen.
    g_stamp = stamp;
    g_stampValid = exists;
    Reload(true);
}

TuningOutcome TuneSetting(const char* who, const char* key, const char* value, char* why,
                          int size) {
    const SettingsKey* found = nullptr;
    for (const SettingsKey& k : kSettingsKeys) {
        if (key != nullptr && strcasecmp(k.name, key) == 0) {
            found = &k;
        }
    }
    if (found == nullptr) {
        if (key == nullptr) {
            snprintf(why, static_cast<size_t>(size), "no key (a null pointer)");
        } else {
            UnknownKeyWarning(key, why, size);
        }
        return TuningOutcome::UnknownKey;
    }
    if (found->keptOnReload) {
        snprintf(why, static_cast<size_t>(size),
                 "%s is read only at the start of the game (it decides what Lumenfold patches)",
                 found->name);
        return TuningOutcome::NotTunable;
    }
    if (value == nullptr) {
        snprintf(why, static_cast<size_t>(size), "%s has no value (a null pointer)", found->name);
        return TuningOutcome::BadValue;
    }
    uint32_t bits;
    if (!ReadTuningText(*found, value, &bits, why, size)) {
        return TuningOutcome::BadValue;
    }
    // As a reload does: the whole record at once.
    SettingsRecord given = Settings;
    memcpy(reinterpret_cast<char*>(&given) + found->offset, &bits, 4);
    SettingsRecord next = Settings;
    TakeValue(*found, given, &next, who);
    Settings = next;
    return TuningOutcome::Set;
}
