// The code patches of the load, in their order, each place checked before
// anything is written; and the late site of the host's first message.
#pragma once

#include <stdint.h>

#include "patch/patch_place.h"

// One write of the load: a place and the value that goes there (the glue of
// a jump, the field of an operand).
struct PlannedWrite {
    const PatchPlace* place;
    uint32_t value;
};
constexpr int kMaxLoadWrites = 28; // 22 jumps, two blankings, a branch, three operands

// Every write the load makes under the current settings, in its order:
// the core jumps, the blanking and the body's jumps, the remaining jumps by
// their groups, the shadow branch, the three operands. Returns the count.
int PlanLoadWrites(PlannedWrite* out);

// Reads every planned place. Each conflict is logged; a conflicting group
// other than the core is turned off in the settings. False when the core
// conflicts: then nothing may be written at all.
bool PrepareLoadPatches();
// Writes the plan under the current settings and remembers every write.
void WriteLoadPatches();
// Both, as the load does them; false (and nothing written) on a core conflict.
bool InstallLoadPatches();

// The late site: checked, then written unless another module holds it.
// True when the jump is in place.
bool InstallLateHook();

// Writes one place with the plug-in's bytes through the patch primitives.
void WritePlace(const PatchPlace& place, uint32_t value);
