#include "settings/settings_check.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "log/diagnostic_log.h"
#include "platform/platform.h"
#include "record/recording_format.h"
#include "settings/number_text.h"

namespace {

// What the profile read gives for a key the file does not have: no value a
// file can hold (Windows trims only spaces from a fallback).
constexpr const char* kAbsent = "\x01";
// A quote of the file's text in a warning, and a whole warning.
constexpr int kQuoteSize = 72;
constexpr int kWarningSize = 3 * kQuoteSize + 128;
// The longest unknown key that gets a suggestion.
constexpr int kLongestSuggested = 64;
// The fewest and the most digits a float is written with for a player.
constexpr int kFewestFloatDigits = 6;
constexpr int kMostFloatDigits = 9;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A whole number's text: blanks, a sign, then digits. Its value is held to
// the 64-bit range; `fits` tells whether it fits 32 bits.
struct WholeNumber {
    const char* rest; // behind the digits
    bool hasDigits;
    bool fits;
    long long value;
};

WholeNumber ReadWholeNumber(const char* text) {
    const char* p = text;
    while (IsBlank(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    WholeNumber n = {p, false, true, 0};
    const long long most = 0x7FFFFFFFLL + (negative ? 1 : 0);
    for (; *p >= '0' && *p <= '9'; ++p) {
        n.hasDigits = true;
        if (n.value <= most) {
            n.value = n.value * 10 + (*p - '0');
        }
    }
    n.fits = n.value <= most;
    n.value = negative ? -n.value : n.value;
    n.rest = n.hasDigits ? p : text;
    return n;
}

void NotAsDefault(const SettingsKey& k, bool isDefault, char* out, int size) {
    const size_t used = strlen(out);
    if (isDefault || static_cast<int>(used) >= size) {
        return;
    }
    if (k.isFloat) {
        snprintf(out + used, static_cast<size_t>(size) - used, ", not as its default %s",
                 k.defaultText);
    } else {
        snprintf(out + used, static_cast<size_t>(size) - used, ", not as its default %d",
                 static_cast<int>(k.integerDefault));
    }
}

} // namespace

bool IntegerTextWarning(const SettingsKey& k, const char* text, int32_t read, char* out, int size) {
    const size_t n = static_cast<size_t>(size);
    const int value = static_cast<int>(read);
    if (text[0] == '\0') {
        if (read == k.integerDefault) {
            snprintf(out, n, "%s is empty: it keeps its default %d", k.name, value);
        } else {
            snprintf(out, n, "%s is empty: it reads as %d", k.name, value);
        }
        return true;
    }
    char quoted[kQuoteSize], rest[kQuoteSize];
    QuoteForLog(text, quoted, sizeof quoted);
    const WholeNumber w = ReadWholeNumber(text);
    if (!w.hasDigits) {
        snprintf(out, n, "%s = \"%s\" is not a number: it reads as %d", k.name, quoted, value);
        NotAsDefault(k, read == k.integerDefault, out, size);
        return true;
    }
    const bool asWritten = w.fits && w.value == read;
    if (*w.rest == '\0') {
        if (asWritten) {
            return false;
        }
        snprintf(out, n, "%s = \"%s\" %s: it reads as %d", k.name, quoted,
                 w.fits ? "does not read as written" : "is too large for a whole number", value);
        return true;
    }
    if (asWritten) {
        snprintf(out, n, "%s = \"%s\" reads only as %d (the rest, \"%s\", is ignored)", k.name,
                 quoted, value, QuoteForLog(w.rest, rest, sizeof rest));
    } else {
        snprintf(out, n, "%s = \"%s\" reads as %d", k.name, quoted, value);
    }
    return true;
}

bool FloatTextWarning(const SettingsKey& k, const char* text, char* out, int size) {
    const size_t n = static_cast<size_t>(size);
    bool tooLarge = false;
    const float value = SettingsFloatFromText(text, k.defaultText, &tooLarge);
    if (tooLarge) {
        TooLargeWarning(k, text, out, size);
        return true;
    }
    int used = 0;
    ParseDecimalPrefix(text, &used);
    const bool defaultIsZero = DefaultFloat(k) == 0.0f;
    char quoted[kQuoteSize], rest[kQuoteSize], number[32];
    if (text[0] == '\0') {
        snprintf(out, n, "%s is empty: it reads as 0", k.name);
        NotAsDefault(k, defaultIsZero, out, size);
        return true;
    }
    QuoteForLog(text, quoted, sizeof quoted);
    if (used == 0) {
        snprintf(out, n, "%s = \"%s\" is not a number: it reads as 0", k.name, quoted);
        NotAsDefault(k, defaultIsZero, out, size);
        return true;
    }
    if (text[used] == '\0') {
        return false;
    }
    snprintf(out, n, "%s = \"%s\" reads only as %s (the rest, \"%s\", is ignored)", k.name, quoted,
             FloatForPlayer(value, number, sizeof number),
             QuoteForLog(text + used, rest, sizeof rest));
    return true;
}

bool ReadTuningText(const SettingsKey& k, const char* text, uint32_t* bits, char* warning,
                    int size) {
    if (k.isFloat) {
        if (FloatTextWarning(k, text, warning, size)) {
            return false;
        }
        const float value = SettingsFloatFromText(text, k.defaultText);
        memcpy(bits, &value, 4);
        return true;
    }
    const WholeNumber w = ReadWholeNumber(text);
    const int32_t read = w.hasDigits && w.fits ? static_cast<int32_t>(w.value) : 0;
    if (IntegerTextWarning(k, text, read, warning, size)) {
        return false;
    }
    memcpy(bits, &read, 4);
    return true;
}

void ForEachValueWarning(const char* path, ValueWarningSink report, void* context) {
    char text[kSettingsTextCapacity];
    char warning[kWarningSize];
    for (const SettingsKey& k : kSettingsKeys) {
        PlatformProfileString(kSettingsSection, k.name, kAbsent, text, kSettingsTextCapacity, path);
        if (strcmp(text, kAbsent) == 0) {
            continue;
        }
        bool warns;
        if (k.isFloat) {
            warns = FloatTextWarning(k, text, warning, sizeof warning);
        } else {
            const int32_t read = static_cast<int32_t>(
                PlatformProfileInt(kSettingsSection, k.name, k.integerDefault, path));
            warns = IntegerTextWarning(k, text, read, warning, sizeof warning);
        }
        if (warns) {
            report(k, warning, context);
        }
    }
}

int32_t RecordedFramesInUse(int32_t frames) {
    if (frames == 0) {
        return 0;
    }
    if (frames < kMinRecordedFrames) {
        return kMinRecordedFrames;
    }
    return frames > kMaxRecordedFrames ? kMaxRecordedFrames : frames;
}

bool RecordedFramesWarning(int32_t frames, char* out, int size) {
    const int32_t kept = RecordedFramesInUse(frames);
    if (kept == frames) {
        return false;
    }
    snprintf(out, static_cast<size_t>(size),
             "iRecordFrames = %d is out of its range %d to %d: %d %s recorded",
             static_cast<int>(frames), static_cast<int>(kMinRecordedFrames),
             static_cast<int>(kMaxRecordedFrames), static_cast<int>(kept),
             kept == 1 ? "frame is" : "frames are");
    return true;
}

namespace {

bool IsRecordFrames(const SettingsKey& k) {
    return k.offset == offsetof(SettingsRecord, iRecordFrames);
}

} // namespace

int32_t IntegerInUse(const SettingsKey& k, int32_t read) {
    return IsRecordFrames(k) ? RecordedFramesInUse(read) : read;
}

bool IntegerInUseWarning(const SettingsKey& k, int32_t read, char* out, int size) {
    return IsRecordFrames(k) && RecordedFramesWarning(read, out, size);
}

const char* NearestSettingsKey(const char* name) {
    const int length = static_cast<int>(strlen(name));
    if (length == 0 || length > kLongestSuggested) {
        return nullptr;
    }
    // A letter or two wrong in a short name, three in a long one.
    int allowed = length / 4;
    allowed = allowed < 1 ? 1 : (allowed > 3 ? 3 : allowed);
    const char* best = nullptr;
    int bestDistance = allowed + 1;
    for (const SettingsKey& k : kSettingsKeys) {
        const int known = static_cast<int>(strlen(k.name));
        // Three rows of the table of distances between the prefixes (the
        // one before the last for a swap of two letters).
        int rows[3][kLongestSuggested + 1];
        int* older = rows[0];
        int* last = rows[1];
        int* row = rows[2];
        for (int j = 0; j <= length; ++j) {
            last[j] = j;
        }
        for (int i = 1; i <= known; ++i) {
            row[0] = i;
            const int a = tolower(static_cast<unsigned char>(k.name[i - 1]));
            for (int j = 1; j <= length; ++j) {
                const int b = tolower(static_cast<unsigned char>(name[j - 1]));
                int d = last[j - 1] + (a == b ? 0 : 1);
                d = last[j] + 1 < d ? last[j] + 1 : d;
                d = row[j - 1] + 1 < d ? row[j - 1] + 1 : d;
                if (i > 1 && j > 1 && a == tolower(static_cast<unsigned char>(name[j - 2])) &&
                    b == tolower(static_cast<unsigned char>(k.name[i - 2])) &&
                    older[j - 2] + 1 < d) {
                    d = older[j - 2] + 1;
                }
                row[j] = d;
            }
            int* spare = older;
            older = last;
            last = row;
            row = spare;
        }
        if (last[length] < bestDistance) {
            bestDistance = last[length];
            best = k.name;
        }
    }
    return best;
}

const char* FloatForPlayer(float value, char* out, int size) {
    for (int digits = kFewestFloatDigits; digits <= kMostFloatDigits; ++digits) {
        snprintf(out, static_cast<size_t>(size), "%.*g", digits, static_cast<double>(value));
        if (static_cast<float>(ParseDecimalPrefix(out)) == value) {
            break;
        }
    }
    return out;
}
