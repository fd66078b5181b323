#include "settings/settings.h"

#include <math.h>
#include <stddef.h>
#include <string.h>

#include "log/diagnostic_log.h"
#include "platform/platform.h"
#include "settings/number_text.h"

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
    char exe[kSettingsPathCapacity];
    const uint32_t length = PlatformModuleFileName(exe, kSettingsPathCapacity);
    // A result of 0 is a failure and one of the full size a path cut short:
    // neither names a folder we can trust.
    if (length == 0 || length >= kSettingsPathCapacity) {
        return false;
    }
    exe[length] = '\0';
    const char* slash = strrchr(exe, '\\');
    if (slash == nullptr) {
        return false;
    }
    const size_t folder = static_cast<size_t>(slash - exe) + 1;
    const size_t relative = strlen(kSettingsRelativePath);
    if (folder + relative + 1 > capacity) {
        return false;
    }
    memcpy(path, exe, folder);
    memcpy(path + folder, kSettingsRelativePath, relative + 1);
    return true;
}

int32_t* SettingsInteger(SettingsRecord* record, const SettingsKey& key) {
    return reinterpret_cast<int32_t*>(reinterpret_cast<char*>(record) + key.offset);
}
float* SettingsFloat(SettingsRecord* record, const SettingsKey& key) {
    return reinterpret_cast<float*>(reinterpret_cast<char*>(record) + key.offset);
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

void SetDefaultSettings() {
    for (const SettingsKey& k : kSettingsKeys) {
        if (k.isFloat) {
            *FloatField(k) = static_cast<float>(ParseDecimalPrefix(k.defaultText));
        } else {
            *IntegerField(k) = k.integerDefault;
        }
    }
}

void ReadSettings() {
    char path[kSettingsPathCapacity];
    if (!BuildSettingsPath(path, kSettingsPathCapacity)) {
        SetDefaultSettings();
    } else {
        ReadSettingsFrom(path);
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

void ReloadSettings() {
    char path[kSettingsPathCapacity];
    // The profile calls give the defaults for a file that is missing or
    // cannot be read: that would throw away the running values of a player
    // who is editing the file. So the file is looked at first.
    if (!BuildSettingsPath(path, kSettingsPathCapacity) || !PlatformFileReadable(path)) {
        LogAtLevel(kLogLevelMessage, "the settings file cannot be read: every setting keeps its "
                                     "current value");
        return;
    }
    SettingsRecord file;
    ReadSettingsInto(&file, path);
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
        } else if (k.isFloat) {
            *SettingsFloat(&next, k) = *SettingsFloat(&file, k);
        } else {
            *SettingsInteger(&next, k) = *SettingsInteger(&file, k);
        }
    }
    Settings = next; // the per-frame logic sees the old values or the new, never a mix
}
