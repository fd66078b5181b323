// The view state: what one hook of the frame learns for a later hook or the
// next frame, and the rules that change it outside the camera placement.
//
// The fields are process-wide C globals, zero at load, so that the glue can
// address ForcedBodyMode, SavedChaseDistance, InBodyPassUpdate and
// InExtraAnimUpdate directly. The two update flags are floats that hold 1.0
// while set and 0.0 while clear; the glue tests their bit pattern.
#pragma once

#include <stdint.h>

#include "game/layout.h"
#include "game/logic_build.h"

extern "C" {
extern int32_t SavedThirdPerson;     // copy of the player's ThirdPerson byte
extern int32_t ForcedBodyMode;       // kForcedMode*
extern int32_t ModAnimPending;       // 1 while a tentative mode waits
extern int32_t ModAnimCounter;       // 0..3, see ResolveModAnimMode
extern int32_t MountedInFirstPerson; // 1 after a first-person frame start while mounted
extern int32_t WatchedMenuOpen;      // 1 after menu 1009 or 1034 was seen
extern float SavedChaseDistance;     // 0.0: nothing saved
extern int32_t HeadAnchorCountdown;  // camera updates left anchored to the head
extern float InExtraAnimUpdate;      // set around the plug-in's extra record updates
extern float InBodyPassUpdate;       // set during the body pass
// 1 while the shadow-pass site is not the plug-in's (before the host's first
// message, or another module holds it): the camera update then does the
// frame's chores in its place (below). The shadow pass's second half is
// then missing too: nothing collapses the head, the arms and the gear for
// the view, and the body view steps aside in the game's own first person
// (StepsAsideWithoutBracket).
extern int32_t FrameChoresAtCamera;
// 1 while another plug-in holds the body view off (by a tag of the
// interface): the game's first person is then the game's own, and the logic
// writes nothing into the game. Set and cleared by the interface at once.
extern int32_t BodyViewHeld;
// While held: the forced mode the rules would hold (a switch made while
// held sets it here); ForcedBodyMode takes it back at the give-back, so that
// the body view takes over as it would have.
extern int32_t HeldForcedMode;
// 1 from the hold's start to the first of the plug-in's places that runs
// after it, which puts the two roots back as the game's first person shows
// them (StepAsideForHold).
extern int32_t HoldStepAsidePending;
// Where the shadow pass is not the plug-in's: 1 from a camera update to the
// player's next body pass, whose glue then calls the interface's place of
// the frame's message (entry/plugin_interface.h). Not a view-state word.
extern int32_t CameraUpdatedBeforeBodyPass;
}

LF_LOGIC_BEGIN
LF_GLUE_ENTRY void BeginFrameViewState();
// Lumenfold's own work once a frame, at a place the game passes once a
// frame in every state: the end of the shadow pass, while that site is the
// plug-in's; else the camera update. The settings file looked at (a player
// tuning it sees a change within a second), and, at the camera update, the
// menu watch released where the shadow pass cannot release it (so that
// closing a watched menu shows the body again in the next frame). The glue
// calls it only while bReloadSettingsOnChange or FrameChoresAtCamera is set.
LF_GLUE_ENTRY void FrameChores();
// At every camera update: whether another module wrote over the late site
// since Lumenfold wrote it (while it is Lumenfold's), and the frame's chores
// while FrameChoresAtCamera is set. The glue calls it only while one of
// LateSiteWritten and FrameChoresAtCamera is set.
LF_GLUE_ENTRY void CameraUpdateChores();
LF_GLUE_ENTRY void DecideForcedModeOnSwitch();
LF_GLUE_ENTRY uint8_t IsPlayerInBodyView(const void* actor);
LF_LOGIC_END

// ForcedBodyMode values.
constexpr int32_t kForcedModeNone = 0;
constexpr int32_t kForcedModeKeep = 1;      // keep the body view in third person
constexpr int32_t kForcedModeTentative = 2; // set at frame start, resolved by the camera update

// The values of the float flags.
constexpr float kFlagSet = 1.0f;
constexpr float kFlagClear = 0.0f;

// SitState values the rules tell apart (only the values are binding).
constexpr uint8_t kSitStateSeated = 3;
constexpr uint8_t kSitStateOnMount = 4;
constexpr uint8_t kSitStateRising = 5;
constexpr uint8_t kSitStateLying = 8; // and every value above
constexpr int32_t kHeadAnchorUpdates = 5;

// ActionState range and value the rules test.
constexpr int16_t kActionStateFirstBusy = 2;
constexpr int16_t kActionStateLastBusy = 5;
constexpr int16_t kActionStateSix = 6;

LF_LOGIC_BEGIN
// True when an idle animation plays on the first-person record (argument
// true) or the body record (false); false when that record is missing.
uint8_t IsIdleAnimActive(bool firstPersonRecord);
uint8_t IsActionStateTwoToFive(const ProcessObject* process);
uint8_t IsActionStateSix(const ProcessObject* process);
void WatchMenus();
void ReleaseMenuWatch();
void ResolveModAnimMode();
void TickHeadAnchorCountdown();
void RestoreChaseDistance();

// Every field back to 0, as at load.
void ResetViewState();

// Where the shadow pass is not the plug-in's, its second half never runs:
// without it the head, the arms and the gear would be drawn in the view from
// inside the body. So in the game's first person without a forced mode (no
// sitting, lying, dying or mod animation kept in first person) the body view
// steps aside there, and the game's first person is the game's own.
inline bool StepsAsideWithoutBracket() {
    return FrameChoresAtCamera != 0 && ForcedBodyMode == kForcedModeNone;
}
// Whether the body view steps aside now: held off, or without the shadow
// pass's second half (in the plain case, one test of both words).
inline bool StepsAside() {
    return (BodyViewHeld | FrameChoresAtCamera) != 0 &&
           (BodyViewHeld != 0 || StepsAsideWithoutBracket());
}

// The first of the plug-in's places after a hold began: in the game's first
// person the body's root hidden and the game's arms shown, as the game's own
// change of view leaves them. Nothing else the body view wrote stays: the
// game places the roots and the camera and poses the bones anew in every
// frame, and a part collapsed for the view is whole again at the game's next
// update of the body.
void StepAsideForHold();
LF_LOGIC_END

// The view state's side of a hold by the interface (once, in the plain
// build): the hold begins (the forced mode put aside, a saved chase distance
// dropped: it is the game's while held) and ends (the forced mode back).
void BeginBodyViewHold();
void EndBodyViewHold();
