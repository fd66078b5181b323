// Visibility around the game's drawing: the whole body into the shadow, then
// head, arms and gear collapsed again for the first-person view; and the
// player's objects drawn twice at the draw sites.
#pragma once

#include <stdint.h>

#include "game/layout.h"
#include "game/logic_build.h"

// The BodyRoot Flags word saved by the before-call of the shadow bracket,
// and whether this pass's before-call saved it: an after-call writes back
// only a word saved in the same pass.
extern uint32_t SavedBodyFlags;
extern bool SavedBodyFlagsValid;

LF_LOGIC_BEGIN
// 1 before the game's shadow pass, 0 after it.
LF_GLUE_ENTRY void ToggleFirstPersonForShadow(uint8_t before);
// Draws a DrawObject: once for others, twice (body hidden and shown) for
// the player's. Returns the result of the last Draw. (While another plug-in
// holds the body view off, the glue draws the player's once itself.)
LF_GLUE_ENTRY uint8_t DrawBothSkeletons(DrawObject* object);

// Writes LocalScale 1.0 (argument nonzero) or 0.0 into the gear, clavicle
// and head nodes the first-person view must not show.
void SetSheathedGearVisibility(uint8_t visible);

// Forgets the BodyRoot flags saved by a before-call (as at load).
void ResetShadowBracket();
LF_LOGIC_END
