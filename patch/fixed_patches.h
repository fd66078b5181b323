// The plain writes into the game's code: instruction blanking, the shadow
// branch, and three value reads redirected to floats of the settings record.
#pragma once

#include "patch/patch_place.h"

// The two six-byte stretches blanked while the body is shown in first person.
extern const PatchPlace kBlankPlaces[2];
// The short branch made unconditional for the body's shadow.
extern const PatchPlace kShadowBranchPlace;
// The three operand addresses pointed at the override floats, in write order.
extern const PatchPlace kOverridePlaces[3];

// The settings float an override place is pointed at.
const float* OverrideField(const PatchPlace& place);
