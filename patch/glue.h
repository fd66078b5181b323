// The glue pieces (hand-written, one per hook site, in two sets: the plain
// one and the one that records frames) and the two routines the glue calls
// that belong to no other subsystem.
#pragma once

#include <stdint.h>

#include "game/layout.h"

extern "C" {
void GlueFrameStart();
void GlueHeadCamera();
void GlueBodyPass();
void GlueActorBranch();
void GlueForcedSkip();
void GlueExtraUpdate();
void GlueBodyPassArgument();
void GlueShownRecord();
void GlueDrawA();
void GlueDrawB();
void GlueDrawC();
void GlueDrawD();
void GlueDrawE();
void GlueSwitchDecide();
void GlueSwitchSitA();
void GlueSwitchSitB();
void GlueSwitchSitC();
void GlueSwitchDeath();
void GlueChaseA();
void GlueChaseB();
void GlueChaseC();
void GlueChaseD();
void GlueShadowPass();
void RecordingGlueFrameStart();
void RecordingGlueHeadCamera();
void RecordingGlueBodyPass();
void RecordingGlueActorBranch();
void RecordingGlueForcedSkip();
void RecordingGlueExtraUpdate();
void RecordingGlueBodyPassArgument();
void RecordingGlueShownRecord();
void RecordingGlueDrawA();
void RecordingGlueDrawB();
void RecordingGlueDrawC();
void RecordingGlueDrawD();
void RecordingGlueDrawE();
void RecordingGlueSwitchDecide();
void RecordingGlueSwitchSitA();
void RecordingGlueSwitchSitB();
void RecordingGlueSwitchSitC();
void RecordingGlueSwitchDeath();
void RecordingGlueChaseA();
void RecordingGlueChaseB();
void RecordingGlueChaseC();
void RecordingGlueChaseD();
void RecordingGlueShadowPass();

// 1 when both player roots are shown and `record` is the player's body
// record, else 0.
uint32_t IsShownBodyAnimRecord(const AnimationRecord* record);
// Keeps the chase-camera distance the game is about to overwrite in
// SavedChaseDistance; the view-state rules put it back.
void SaveChaseDistance();
}
