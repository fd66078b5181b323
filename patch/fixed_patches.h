// The plain writes into the game's code: instruction blanking, the shadow
// branch, and three value reads redirected to floats of the settings record.
#pragma once

// Blanks the six bytes at each of the two places (16-bit then 32-bit write).
void BlankInstructions();
// Turns the shadow branch into an unconditional short jump.
void PatchShadowBranch();
// Points each of the three value reads at its settings float, for every
// override that differs from its default.
void RedirectOverrides();
// The whole load sequence of code patches under the current settings, in
// its order; the late hook is not part of it.
void InstallLoadPatches();
