// The body pass: each actor's animation update, and for the player in the
// body view the body raised, shifted, head-bobbed and posed before the game
// updates both skeletons again.
#pragma once

#include "game/layout.h"
#include "game/logic_build.h"

LF_LOGIC_BEGIN
// Entered from the body-pass glue with the actor and the record the game was
// about to update; makes the game's update of that record on every path.
LF_GLUE_ENTRY void UpdateBodyPass(const void* actor, AnimationRecord* record);
LF_LOGIC_END
