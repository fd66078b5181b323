// The plug-in's settings: 15 integers then 11 floats, read once from
// "Data\obse\plugins\OBSE_Lumenfold.ini" beside the game executable and only
// read afterwards. The record stays at one address for the life of the
// process: the game's code is pointed at three of its floats.
#pragma once

#include <stdint.h>

// (key, default) in the order of the record and of the reads.
#define LF_SETTINGS_INTEGERS(X)                                                                    \
    X(bEnableFirstPersonBody, 1)                                                                   \
    X(bEnableHeadBob, 0)                                                                           \
    X(bFirstPersonShadows, 0)                                                                      \
    X(bVisibleArmsWeaponSheathed, 1)                                                               \
    X(bHideShieldWeaponSheathed, 1)                                                                \
    X(bFirstPersonSitting, 1)                                                                      \
    X(bFirstPersonKnockout, 1)                                                                     \
    X(bFirstPersonDeath, 1)                                                                        \
    X(bFirstPersonModAnim, 1)                                                                      \
    X(bFirstPersonAnimCameraRotation, 1)                                                           \
    X(bPreventChaseCamDistanceReset, 1)                                                            \
    X(bEnableHeadFirstPerson, 0)                                                                   \
    X(bHorseFirstPersonBody, 0)                                                                    \
    X(bUseThirdPersonArms, 0)                                                                      \
    X(bRotateThirdPersonArms, 0)

// (key, default text) in the order of the record and of the reads. The
// defaults are texts handed to the string read, exactly as written here.
#define LF_SETTINGS_FLOATS(X)                                                                      \
    X(fSittingMaxLookingDownOverride, "40")                                                        \
    X(fMountedMaxLookingDownOverride, "40")                                                        \
    X(fVanityModeForceDefaultOverride, "300")                                                      \
    X(fCameraPosX, "0")                                                                            \
    X(fCameraPosY, "14.0")                                                                         \
    X(fCameraPosZ, "6.0")                                                                          \
    X(fHorseMountCameraPosY, "6.0")                                                                \
    X(fVampireFeedCameraPosY, "6.0")                                                               \
    X(fCameraZOffset, "12.0")                                                                      \
    X(fVampireFeedXYOffset, "-16.0")                                                               \
    X(fVampireFeedZOffset, "10.0")

struct SettingsRecord {
#define LF_DECLARE_INTEGER(key, fallback) int32_t key;
#define LF_DECLARE_FLOAT(key, fallback) float key;
    LF_SETTINGS_INTEGERS(LF_DECLARE_INTEGER)
    LF_SETTINGS_FLOATS(LF_DECLARE_FLOAT)
#undef LF_DECLARE_INTEGER
#undef LF_DECLARE_FLOAT
};

static_assert(sizeof(SettingsRecord) == 26 * 4, "15 integers and 11 floats");

extern SettingsRecord Settings;

// The section every key is read from.
constexpr const char* kSettingsSection = "Main";
// The settings file, relative to the folder of the game executable.
constexpr const char* kSettingsRelativePath = "Data\\obse\\plugins\\OBSE_Lumenfold.ini";
// The size of the executable-path buffer, and of the text buffer of a float.
constexpr uint32_t kSettingsPathCapacity = 260;
constexpr uint32_t kSettingsTextCapacity = 255;

// One row of the key table, for the reader and for tools that list the keys.
struct SettingsKey {
    const char* name;
    bool isFloat;
    int32_t integerDefault;  // integer keys
    const char* defaultText; // float keys
    uint32_t offset;         // of the field in SettingsRecord
};
constexpr int kSettingsKeyCount = 26;
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

// Fills Settings from the settings file at `path` (no test of its existence).
void ReadSettingsFrom(const char* path);

// Fills Settings from the settings file (every key takes its default when the
// file, the section or the key is missing, or when no path could be built).
void ReadSettings();
