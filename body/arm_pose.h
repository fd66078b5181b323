// Arm and clavicle posing: the body's clavicles turned with the look pitch,
// and "magicNode" placed at or between the hands while casting or aiming.
#pragma once

#include "game/layout.h"
#include "game/logic_build.h"

LF_LOGIC_BEGIN

void PoseArms();
// Turns clavicle `node` by `angle` about the first axis of the body root,
// around the clavicle's own pivot, from its current world orientation.
void RotateClavicle(PlayerObject* player, SceneNode* node, float angle);
// The equipped weapon's kind, or -1 with no weapon.
int32_t EquippedWeaponCode(const ProcessObject* process);
LF_LOGIC_END
