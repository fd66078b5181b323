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

// Every place of the load in its order, whatever the settings say: the core
// jumps, the blanking and the body's jumps, the remaining jumps by their
// groups, the shadow branch, the three operands. Returns the count.
int ListLoadPlaces(PlannedWrite* out);
// The places of that list written under the current settings. Returns the
// count.
int PlanLoadWrites(PlannedWrite* out);

// Reads every planned place, and the late site (which the game's code holds
// at load too). Each conflict is logged; a conflicting group other than the
// core is turned off in the settings. False when the core conflicts: then
// nothing may be written at all.
bool PrepareLoadPatches();
// Writes the plan under the current settings and remembers every write.
void WriteLoadPatches();
// Both, as the load does them; false (and nothing written) on a core conflict.
bool InstallLoadPatches();
// One line per place in the log file: its address, name and group, and what
// the load did there (written, off by its setting, or left out with what it
// holds).
void LogLoadPlaces();

// The late site, on the host's first message: checked again, then written
// unless another module holds it (or it was left out at load). True when the
// jump is in place.
bool InstallLateHook();

// Whether the late site still holds the jump Lumenfold wrote there. When
// another module has written over it since, this says so in the log (once,
// naming the module as at load), turns its group off and has the camera
// update do the frame's chores in its place. Runs at each camera update
// while the site is Lumenfold's; it costs a comparison of its five bytes.
void CheckLateSite();
// 1 while the late site holds the jump Lumenfold wrote there (the frame
// start glue then runs its chores).
extern "C" int32_t LateSiteWritten;

// Writes one place with the plug-in's bytes through the patch primitives.
void WritePlace(const PatchPlace& place, uint32_t value);
