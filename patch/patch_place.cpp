#include "patch/patch_place.h"

#include <string.h>

#include "patch/patch_writer.h"
#include "settings/settings.h"

namespace {

constexpr int kBlankLength = 6;

// The late site's own switch (it has no key in the settings file).
int32_t g_shadowPassAllowed = 1;

} // namespace

const PatchGroup kPatchGroups[kPatchGroupCount] = {
    {"core", "Lumenfold cannot work without it", nullptr, nullptr},
    {"body", "the body is not drawn in first person", &Settings.bEnableFirstPersonBody, nullptr},
    {"sitting", "first person is not kept while sitting", &Settings.bFirstPersonSitting, nullptr},
    {"death", "first person is not kept at death", &Settings.bFirstPersonDeath, nullptr},
    {"chase distance", "the chase distance is not kept", &Settings.bPreventChaseCamDistanceReset,
     nullptr},
    {"shadow branch", "the body casts no shadow in first person", &Settings.bFirstPersonShadows,
     nullptr},
    {"sitting look-down", "the game keeps its own look-down limit while sitting", nullptr,
     &Settings.fSittingMaxLookingDownOverride},
    {"mounted look-down", "the game keeps its own look-down limit on horseback", nullptr,
     &Settings.fMountedMaxLookingDownOverride},
    {"vanity distance", "the game keeps its own vanity camera distance", nullptr,
     &Settings.fVanityModeForceDefaultOverride},
    {"shadow pass",
     "the body is not made whole for its shadow, and the body view steps aside in plain first "
     "person, where the head and arms would show from inside",
     &g_shadowPassAllowed, nullptr},
};

bool PatchGroupEnabled(PatchGroupId group) {
    const PatchGroup& g = kPatchGroups[group];
    if (g.setting != nullptr) {
        return *g.setting != 0;
    }
    if (g.override != nullptr) {
        // Equal to its default: the game keeps its own value. A NaN compares
        // unequal and is redirected like any other value.
        return static_cast<double>(*g.override) != SettingsFloatDefault(g.override);
    }
    return true;
}

void TurnPatchGroupOff(PatchGroupId group) {
    const PatchGroup& g = kPatchGroups[group];
    if (g.setting != nullptr) {
        *g.setting = 0;
    }
    if (g.override != nullptr) {
        *g.override = static_cast<float>(SettingsFloatDefault(g.override));
    }
}

void AllowPatchGroup(PatchGroupId group) {
    if (kPatchGroups[group].setting == &g_shadowPassAllowed) {
        g_shadowPassAllowed = 1;
    }
}

int WriteLength(WriteKind kind) {
    switch (kind) {
    case WriteKind::Jump:
        return static_cast<int>(kJumpLength);
    case WriteKind::Blank:
        return kBlankLength;
    case WriteKind::Branch:
        return 1;
    case WriteKind::Operand:
        return 4;
    }
    return 0;
}

int OwnBytes(const PatchPlace& place, uint32_t value, uint8_t* out) {
    switch (place.kind) {
    case WriteKind::Jump: {
        out[0] = kJumpOpcode;
        const uint32_t displacement = JumpDisplacement(place.address, value);
        memcpy(out + 1, &displacement, 4);
        break;
    }
    case WriteKind::Blank:
        memset(out, kNopOpcode, kBlankLength);
        break;
    case WriteKind::Branch:
        out[0] = kShortJumpOpcode;
        break;
    case WriteKind::Operand:
        memcpy(out, &value, 4);
        break;
    }
    return WriteLength(place.kind);
}
