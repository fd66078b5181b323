#include "settings/settings.h"

#include <math.h>
#include <stddef.h>
#include <string.h>

#include "platform/platform.h"
#include "settings/number_text.h"

SettingsRecord Settings;

const SettingsKey kSettingsKeys[kSettingsKeyCount] = {
#define LF_INTEGER_ROW(key, fallback)                                                              \
    {#key, false, fallback, nullptr, offsetof(SettingsRecord, key)},
#define LF_FLOAT_ROW(key, fallback) {#key, true, 0, fallback, offsetof(SettingsRecord, key)},
    LF_SETTINGS_INTEGERS(LF_INTEGER_ROW) LF_SETTINGS_FLOATS(LF_FLOAT_ROW)
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

namespace {

int32_t* IntegerField(const SettingsKey& k) {
    return reinterpret_cast<int32_t*>(reinterpret_cast<char*>(&Settings) + k.offset);
}
float* FloatField(const SettingsKey& k) {
    return reinterpret_cast<float*>(reinterpret_cast<char*>(&Settings) + k.offset);
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
        return;
    }
    ReadSettingsFrom(path);
}

void ReadSettingsFrom(const char* path) {
    for (const SettingsKey& k : kSettingsKeys) {
        if (k.isFloat) {
            continue;
        }
        *IntegerField(k) = static_cast<int32_t>(
            PlatformProfileInt(kSettingsSection, k.name, k.integerDefault, path));
    }
    for (const SettingsKey& k : kSettingsKeys) {
        if (!k.isFloat) {
            continue;
        }
        char text[kSettingsTextCapacity];
        PlatformProfileString(kSettingsSection, k.name, k.defaultText, text, kSettingsTextCapacity,
                              path);
        *FloatField(k) = SettingsFloatFromText(text, k.defaultText);
    }
}
