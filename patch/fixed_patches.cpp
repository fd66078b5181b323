#include "patch/fixed_patches.h"

#include "patch/hook_sites.h"
#include "patch/hook_table.h"
#include "patch/patch_writer.h"
#include "settings/settings.h"

namespace {

constexpr uint16_t kNop2 = 0x9090;
constexpr uint32_t kNop4 = 0x90909090u;
constexpr uint8_t kShortJumpOpcode = 0xEB;

struct Override {
    uint32_t operand; // where the game's code holds the address it reads
    const float* value;
};

void BlankSix(uint32_t address) {
    PatchHalf(address, kNop2);
    PatchWord(address + 2, kNop4);
}

} // namespace

void BlankInstructions() {
    BlankSix(LF_BLANK_A);
    BlankSix(LF_BLANK_B);
}

void PatchShadowBranch() {
    PatchByte(LF_SHADOW_BRANCH, kShortJumpOpcode);
}

void RedirectOverrides() {
    const Override overrides[] = {
        {LF_OPERAND_SITTING_LOOK_DOWN, &Settings.fSittingMaxLookingDownOverride},
        {LF_OPERAND_MOUNTED_LOOK_DOWN, &Settings.fMountedMaxLookingDownOverride},
        {LF_OPERAND_VANITY_DEFAULT, &Settings.fVanityModeForceDefaultOverride},
    };
    for (const Override& o : overrides) {
        // Equal to its default: the game keeps its own value. A NaN compares
        // unequal and is redirected like any other value.
        if (static_cast<double>(*o.value) != SettingsFloatDefault(o.value)) {
            PatchWord(o.operand, reinterpret_cast<uint32_t>(o.value));
        }
    }
}

void InstallLoadPatches() {
    for (int i = 0; i < kLoadHookCount; ++i) {
        if (i == kFirstBodyGatedRow && Settings.bEnableFirstPersonBody != 0) {
            BlankInstructions();
        }
        if (HookEnabled(kLoadHooks[i])) {
            InstallHook(kLoadHooks[i]);
        }
    }
    if (Settings.bFirstPersonShadows != 0) {
        PatchShadowBranch();
    }
    RedirectOverrides();
}
