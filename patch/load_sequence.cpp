#include "patch/load_sequence.h"

#include "patch/fixed_patches.h"
#include "patch/hook_table.h"
#include "patch/patch_writer.h"
#include "patch/place_check.h"

namespace {

constexpr uint16_t kNop2 = kNopOpcode * 0x0101u;
constexpr uint32_t kNop4 = kNopOpcode * 0x01010101u;

void Add(PlannedWrite* out, int* n, const PatchPlace& place, uint32_t value) {
    if (PatchGroupEnabled(place.group)) {
        out[(*n)++] = {&place, value};
    }
}

} // namespace

int PlanLoadWrites(PlannedWrite* out) {
    int n = 0;
    for (int i = 0; i < kLoadHookCount; ++i) {
        if (i == kFirstBodyGatedRow) {
            for (const PatchPlace& blank : kBlankPlaces) {
                Add(out, &n, blank, 0);
            }
        }
        Add(out, &n, kLoadHooks[i].place, GlueAddress(kLoadHooks[i]));
    }
    Add(out, &n, kShadowBranchPlace, 0);
    for (const PatchPlace& operand : kOverridePlaces) {
        Add(out, &n, operand, reinterpret_cast<uint32_t>(OverrideField(operand)));
    }
    return n;
}

bool PrepareLoadPatches() {
    PlannedWrite plan[kMaxLoadWrites];
    const int n = PlanLoadWrites(plan);
    bool conflict[kPatchGroupCount] = {};
    for (int i = 0; i < n; ++i) {
        const PlaceFinding f = CheckPlace(*plan[i].place, plan[i].value);
        if (f.verdict == PlaceVerdict::Conflict) {
            LogConflict(*plan[i].place, f);
            conflict[plan[i].place->group] = true;
        }
    }
    if (conflict[kGroupCore]) {
        return false;
    }
    for (int g = 0; g < kPatchGroupCount; ++g) {
        if (conflict[g]) {
            TurnPatchGroupOff(static_cast<PatchGroupId>(g));
        }
    }
    return true;
}

void WriteLoadPatches() {
    PlannedWrite plan[kMaxLoadWrites];
    const int n = PlanLoadWrites(plan);
    for (int i = 0; i < n; ++i) {
        WritePlace(*plan[i].place, plan[i].value);
        RememberWrite(*plan[i].place);
    }
}

bool InstallLoadPatches() {
    if (!PrepareLoadPatches()) {
        return false;
    }
    WriteLoadPatches();
    return true;
}

bool InstallLateHook() {
    const PlaceFinding f = CheckPlace(kLateHook.place, GlueAddress(kLateHook));
    if (f.verdict == PlaceVerdict::Conflict) {
        LogConflict(kLateHook.place, f);
        return false;
    }
    WritePlace(kLateHook.place, GlueAddress(kLateHook));
    return true;
}

void WritePlace(const PatchPlace& place, uint32_t value) {
    switch (place.kind) {
    case WriteKind::Jump:
        PatchJump(place.address, value);
        break;
    case WriteKind::Blank:
        // A 16-bit write, then a 32-bit one two bytes further.
        PatchHalf(place.address, kNop2);
        PatchWord(place.address + 2, kNop4);
        break;
    case WriteKind::Branch:
        PatchByte(place.address, kShortJumpOpcode);
        break;
    case WriteKind::Operand:
        PatchWord(place.address, value);
        break;
    }
}
