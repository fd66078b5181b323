#include "patch/fixed_patches.h"

#include "patch/hook_sites.h"

namespace {

constexpr PatchPlace Plain(const char* name, uint32_t address, PatchGroupId group, WriteKind kind,
                           PlaceRule rule) {
    return {name, address, group, kind, rule, 0, nullptr, 0};
}

} // namespace

const PatchPlace kBlankPlaces[2] = {
    Plain("body blanking", LF_BLANK_A, kGroupBody, WriteKind::Blank, PlaceRule::NoDetour),
    Plain("body blanking", LF_BLANK_B, kGroupBody, WriteKind::Blank, PlaceRule::NoDetour),
};

const PatchPlace kShadowBranchPlace = Plain("shadow branch", LF_SHADOW_BRANCH, kGroupShadowBranch,
                                            WriteKind::Branch, PlaceRule::ShortBranch);

const PatchPlace kOverridePlaces[3] = {
    Plain("sitting look-down limit", LF_OPERAND_SITTING_LOOK_DOWN, kGroupSittingLookDown,
          WriteKind::Operand, PlaceRule::GameAddress),
    Plain("mounted look-down limit", LF_OPERAND_MOUNTED_LOOK_DOWN, kGroupMountedLookDown,
          WriteKind::Operand, PlaceRule::GameAddress),
    Plain("vanity camera distance", LF_OPERAND_VANITY_DEFAULT, kGroupVanityDistance,
          WriteKind::Operand, PlaceRule::GameAddress),
};

const float* OverrideField(const PatchPlace& place) {
    return kPatchGroups[place.group].override;
}
