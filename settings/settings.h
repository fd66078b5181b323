// The plug-in's settings: 15 integers, 11 floats and three more integers, read
// from "Data\obse\plugins\OBSE_Lumenfold.ini" beside the game executable at
// load (and, when the player asks for it, again after each saved game is
// loaded, or whenever the file changes). The record stays at one address for
// the life of the process: the game's code is pointed at three of its floats.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/game_path.h"
#include "settings/settings_offsets.h"

// (key, default, reload) in the order of the record and of the reads. The
// keys that decide which patches exist are kept at their load values when
// the file is read again (kKeptOnReload).
#define LF_SETTINGS_INTEGERS(X)                                                                    \
    X(bEnableFirstPersonBody, 1, kKeptOnReload)                                                    \
    X(bEnableHeadBob, 0, kReloaded)                                                                \
    X(bFirstPersonShadows, 0, kKeptOnReload)                                                       \
    X(bVisibleArmsWeaponSheathed, 1, kReloaded)                                                    \
    X(bHideShieldWeaponSheathed, 1, kReloaded)                                                     \
    X(bFirstPersonSitting, 1, kKeptOnReload)                                                       \
    X(bFirstPersonKnockout, 1, kReloaded)                                                          \
    X(bFirstPersonDeath, 1, kKeptOnReload)                                                         \
    X(bFirstPersonModAnim, 1, kReloaded)                                                           \
    X(bFirstPersonAnimCameraRotation, 1, kReloaded)                                                \
    X(bPreventChaseCamDistanceReset, 1, kKeptOnReload)                                             \
    X(bEnableHeadFirstPerson, 0, kReloaded)                                                        \
    X(bHorseFirstPersonBody, 0, kReloaded)                                                         \
    X(bUseThirdPersonArms, 0, kReloaded)                                                           \
    X(bRotateThirdPersonArms, 0, kReloaded)

// (key, default text, reload) in the order of the record and of the reads.
// The defaults are texts handed to the string read, exactly as written here.
#define LF_SETTINGS_FLOATS(X)                                                                      \
    X(fSittingMaxLookingDownOverride, "40", kKeptOnReload)                                         \
    X(fMountedMaxLookingDownOverride, "40", kKeptOnReload)                                         \
    X(fVanityModeForceDefaultOverride, "300", kKeptOnReload)                                       \
    X(fCameraPosX, "0", kReloaded)                                                                 \
    X(fCameraPosY, "14.0", kReloaded)                                                              \
    X(fCameraPosZ, "6.0", kReloaded)                                                               \
    X(fHorseMountCameraPosY, "6.0", kReloaded)                                                     \
    X(fVampireFeedCameraPosY, "6.0", kReloaded)                                                    \
    X(fCameraZOffset, "12.0", kReloaded)                                                           \
    X(fVampireFeedXYOffset, "-16.0", kReloaded)                                                    \
    X(fVampireFeedZOffset, "10.0", kReloaded)

// (key, default, reload) of the integers that follow the floats, added after
// the first 26 keys so that their places in the record stay as they were.
#define LF_SETTINGS_LATE_INTEGERS(X)                                                               \
    X(bReloadSettingsOnGameLoad, 0, kKeptOnReload)                                                 \
    X(bReloadSettingsOnChange, 0, kKeptOnReload)                                                   \
    X(iRecordFrames, 0, kKeptOnReload)

struct SettingsRecord {
#define LF_DECLARE_INTEGER(key, fallback, reload) int32_t key;
#define LF_DECLARE_FLOAT(key, fallback, reload) float key;
    LF_SETTINGS_INTEGERS(LF_DECLARE_INTEGER)
    LF_SETTINGS_FLOATS(LF_DECLARE_FLOAT)
    LF_SETTINGS_LATE_INTEGERS(LF_DECLARE_INTEGER)
#undef LF_DECLARE_INTEGER
#undef LF_DECLARE_FLOAT
};

static_assert(sizeof(SettingsRecord) == 29 * 4, "15 integers, 11 floats and 3 integers");
// The frame-start glue tests the watch's switch at this offset itself.
static_assert(offsetof(SettingsRecord, bReloadSettingsOnChange) == LF_SETTINGS_WATCH_OFFSET,
              "the glue's offset of bReloadSettingsOnChange");

extern SettingsRecord Settings;

constexpr bool kKeptOnReload = true;
constexpr bool kReloaded = false;

// The section every key is read from.
constexpr const char* kSettingsSection = "Main";
// The settings file, relative to the folder of the game executable.
constexpr const char* kSettingsRelativePath = "Data\\obse\\plugins\\OBSE_Lumenfold.ini";
// The size of the settings path, and of the text buffer of a float.
constexpr uint32_t kSettingsPathCapacity = kGamePathCapacity;
constexpr uint32_t kSettingsTextCapacity = 255;

// One row of the key table, for the reader and for tools that list the keys.
struct SettingsKey {
    const char* name;
    bool isFloat;
    int32_t integerDefault;  // integer keys
    const char* defaultText; // float keys
    uint32_t offset;         // of the field in SettingsRecord
    bool keptOnReload;       // decides which patches exist: kept when the file is read again
};
constexpr int kSettingsKeyCount = 29;
extern const SettingsKey kSettingsKeys[kSettingsKeyCount];

// Builds the settings path from the executable's path: its folder with the
// trailing backslash, then the relative path. False when the executable path
// has no backslash or the whole does not fit into `capacity` characters.
bool BuildSettingsPath(char* path, uint32_t capacity);

// The default of a float field of Settings (its default text read as a
// number), in double precision.
double SettingsFloatDefault(const float* field);

// A float key's text as the plug-in takes it: the longest decimal prefix,
// narrowed to single precision. A value too large for a float (such as
// 1e400) would put infinities into the game's scene graph: the key keeps
// its default instead, and `tooLarge` (when given) is set.
float SettingsFloatFromText(const char* text, const char* defaultText, bool* tooLarge = nullptr);

// Every key at its default, as with no settings file.
void SetDefaultSettings();

// Fills `record` from the settings file at `path` (no test of its existence).
void ReadSettingsInto(SettingsRecord* record, const char* path);
// The same into Settings.
void ReadSettingsFrom(const char* path);

// How a read of the whole file went.
enum class SettingsFileRead : uint8_t {
    Read,      // every key read from one version of the file
    Missing,   // no file (or a folder, or one that cannot be opened)
    Unsettled, // the file changed while each of three reads ran
};
// How many times a read of the file is tried while the file changes under it.
constexpr int kSettingsReadAttempts = 3;

// Reads every key into `record`, noting the file's last-write time and size
// before and after: while they differ (the file was being saved), reads
// again, three times at most. A record read from a file that never held still
// mixes two versions of it: Unsettled tells the caller not to use it.
SettingsFileRead ReadSettingsSettled(SettingsRecord* record, const char* path);

// Fills Settings from the settings file (every key takes its default when the
// file, the section or the key is missing, or when no path could be built),
// and keeps what the file said for a later reload to compare with. The log
// file learns the file's path, every value that differs from its default, and
// what a player would want to know of the file (unknown keys, numbers too
// large).
void ReadSettings();

// Reads the file again, for a player tuning the values in a running game:
// every key that no patch depends on takes the file's value at once; the
// keys that decide which patches exist keep their load values, and each of
// them that the file now sets otherwise than at load is logged once. A
// missing or unreadable file, or one that kept changing while it was read,
// changes nothing. Each value that changed is logged in the log file.
// Allocates nothing.
void ReloadSettings();

// A tuning value another plug-in (`who`) sets for this start of the game,
// through the interface: key `key` (letters in any case) to `value`, a text
// as the file would give it, taken as a reload of the file takes a changed
// value (and logged, with `who`). Only the keys a reload changes can be set,
// and only to a text that reads whole as the key's number. When the file is
// read again, its values win. On a refusal, `why` says what was wrong in the
// words the log gives. Allocates nothing.
enum class TuningOutcome : uint8_t { Set, UnknownKey, NotTunable, BadValue };
TuningOutcome TuneSetting(const char* who, const char* key, const char* value, char* why,
                          int size);

// With bReloadSettingsOnChange at 1, called at the start of every frame:
// at most once a second it looks at the file's last-write time and size, and
// reads the file again (as ReloadSettings) when either changed. One clock
// read per frame, one look at the file per second; nothing allocated.
void WatchSettingsFile();
// How often the watch looks at the file, in milliseconds.
constexpr uint32_t kSettingsWatchInterval = 1000;

// The warnings a player gets about a settings file, in the same words in the
// log file and in the simulator's settings report. `value` and `key` are
// quoted at most about 60 characters long.
void UnknownKeyWarning(const char* key, char* out, int size);
void TooLargeWarning(const SettingsKey& key, const char* value, char* out, int size);

// The value of a key in a record, as an integer or a float.
int32_t* SettingsInteger(SettingsRecord* record, const SettingsKey& key);
float* SettingsFloat(SettingsRecord* record, const SettingsKey& key);
const int32_t* SettingsInteger(const SettingsRecord* record, const SettingsKey& key);
const float* SettingsFloat(const SettingsRecord* record, const SettingsKey& key);
// A float key's default, as the plug-in holds it.
float DefaultFloat(const SettingsKey& key);
