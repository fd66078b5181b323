// The entries of the recording build of the logic (the same sources as the
// plain entries, compiled with LF_RECORDING_BUILD), as the recorder's own
// entries call them.
#pragma once

#include <stdint.h>

#include "game/layout.h"

namespace recording {
void FrameChores();
void CameraUpdateChores();
void BeginFrameViewState();
void UpdateHeadCamera(SceneNode* camera);
void KeepBodyViewAfterSwitch();
void UpdateBodyPass(const void* actor, AnimationRecord* record);
uint8_t DrawBothSkeletons(DrawObject* object);
void ToggleFirstPersonForShadow(uint8_t before);
} // namespace recording
