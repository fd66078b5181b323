#include "view/view_state.h"

#include "game/player_rig.h"
#include "patch/load_sequence.h"
#include "settings/settings.h"

#if !defined(LF_RECORDING_BUILD)
extern "C" {
int32_t SavedThirdPerson;
int32_t ForcedBodyMode;
int32_t ModAnimPending;
int32_t ModAnimCounter;
int32_t MountedInFirstPerson;
int32_t WatchedMenuOpen;
float SavedChaseDistance;
int32_t HeadAnchorCountdown;
float InExtraAnimUpdate;
float InBodyPassUpdate;
int32_t FrameChoresAtCamera;
int32_t BodyViewHeld;
int32_t HeldForcedMode;
int32_t HoldStepAsidePending;
int32_t CameraUpdatedBeforeBodyPass;
}

void BeginBodyViewHold() {
    BodyViewHeld = 1;
    HeldForcedMode = ForcedBodyMode;
    ForcedBodyMode = kForcedModeNone;
    SavedChaseDistance = 0.0f;
    HoldStepAsidePending = 1;
}

void EndBodyViewHold() {
    BodyViewHeld = 0;
    ForcedBodyMode = HeldForcedMode;
    HeldForcedMode = kForcedModeNone;
    HoldStepAsidePending = 0;
}
#endif

LF_LOGIC_BEGIN

namespace {

constexpr uint8_t kIdleAbsentBit = 0x01;
constexpr int32_t kModAnimCounterHeld = 2; // active two updates in a row
constexpr int32_t kModAnimCounterKept = 3; // the body view was kept for it

// The player in the body view at the actor branch: held, or stepping aside
// without the shadow pass's second half, the game's own branch.
__attribute__((noinline)) uint8_t ThePlayerInBodyView() {
    return (SavedThirdPerson == 0 || ForcedBodyMode != 0) && !StepsAside();
}

// The tentative mode found no idle animation: one pending frame less, and
// no mode when none is left.
void FallBackFromTentative() {
    if (--ModAnimPending == 0) {
        ForcedBodyMode = kForcedModeNone;
    }
}

} // namespace

void ResetViewState() {
    SavedThirdPerson = 0;
    ForcedBodyMode = kForcedModeNone;
    ModAnimPending = 0;
    ModAnimCounter = 0;
    MountedInFirstPerson = 0;
    WatchedMenuOpen = 0;
    SavedChaseDistance = 0.0f;
    HeadAnchorCountdown = 0;
    InExtraAnimUpdate = kFlagClear;
    InBodyPassUpdate = kFlagClear;
    FrameChoresAtCamera = 0;
    BodyViewHeld = 0;
    HeldForcedMode = kForcedModeNone;
    HoldStepAsidePending = 0;
}

void StepAsideForHold() {
    if (HoldStepAsidePending == 0) {
        return;
    }
    HoldStepAsidePending = 0;
    LF_RECORDING_NOTE(NoteAllGameValues()); // the roots are read here
    const PlayerRig r = ReadPlayerRig();
    if (r.player != nullptr && IsFirstPerson(r.player)) {
        SetNodeHidden(r.body, true);
        SetNodeHidden(r.firstPerson, false);
    }
}

void BeginFrameViewState() {
    // The per-frame reset needs nothing of the game. Nothing here calls a
    // function: a call would make the compiler realign the stack on every
    // frame (the rare work is the frame's chores).
    ForcedBodyMode = kForcedModeNone;
    ModAnimPending = 0;
    const PlayerRig r = ReadPlayerRig();
    if (r.player == nullptr) {
        return;
    }
    SavedThirdPerson = r.player->ThirdPerson;
    if (BodyViewHeld != 0) {
        // A change of view while held: the game has just shown its own
        // skeleton of the view, and any forced mode kept aside ends here as
        // it would have.
        HeldForcedMode = kForcedModeNone;
        HoldStepAsidePending = 0;
        return;
    }
    const bool firstPerson = IsFirstPerson(r.player);
    if (firstPerson) {
        RestoreChaseDistance();
    }
    if (Settings.bEnableFirstPersonBody == 0) {
        return;
    }
    // Only the visibility of a skeleton needs its root; a missing root is
    // left out alone.
    const bool mounted = IsMounted(r.player);
    if (firstPerson) {
        SetNodeHidden(r.body,
                      WatchedMenuOpen != 0 || (mounted && Settings.bHorseFirstPersonBody == 0));
        SetNodeHidden(r.firstPerson, (Settings.bUseThirdPersonArms != 0 && !mounted) ||
                                         (mounted && Settings.bHorseFirstPersonBody == 1));
        if (mounted) {
            MountedInFirstPerson = 1;
        }
    } else {
        MountedInFirstPerson = 0;
        SetNodeHidden(r.body, false);
        SetNodeHidden(r.firstPerson, true);
        if (Settings.bFirstPersonModAnim != 0) {
            ForcedBodyMode = kForcedModeTentative;
            ModAnimPending = 1;
        }
    }
}

void FrameChores() {
    if (Settings.bReloadSettingsOnChange != 0) {
        WatchSettingsFile();
    }
    if (FrameChoresAtCamera != 0 && WatchedMenuOpen != 0) {
        ReleaseMenuWatch();
    }
}

void CameraUpdateChores() {
    // Another module may write over the late site at any time; then the
    // chores come here from this camera update on.
    CheckLateSite();
    if (FrameChoresAtCamera != 0) {
        FrameChores();
        CameraUpdatedBeforeBodyPass = 1;
    }
}

void DecideForcedModeOnSwitch() {
    const bool keepSitting = Settings.bFirstPersonSitting != 0;
    const bool keepKnockedOut = Settings.bFirstPersonKnockout != 0;
    const PlayerObject* p = PlayerPointer();
    if (p == nullptr || p->Process == nullptr) {
        // No knockout state to decide by: only two settings that agree decide.
        if (keepSitting == keepKnockedOut) {
            (BodyViewHeld != 0 ? HeldForcedMode : ForcedBodyMode) =
                keepSitting ? kForcedModeKeep : kForcedModeNone;
        }
        return;
    }
    const int8_t knockout = p->Process->KnockoutState;
    const bool keep = (knockout == 0 && keepSitting) || (knockout != 0 && keepKnockedOut);
    // While held the decision is kept aside for the give-back.
    (BodyViewHeld != 0 ? HeldForcedMode : ForcedBodyMode) = keep ? kForcedModeKeep : kForcedModeNone;
}

uint8_t IsPlayerInBodyView(const void* actor) {
    const PlayerObject* p = PlayerPointer();
    // Every other actor is decided by the first comparison (the player's
    // rule apart, so that it costs them nothing).
    if (p == nullptr || actor != p) {
        return 0;
    }
    return ThePlayerInBodyView();
}

uint8_t IsIdleAnimActive(bool firstPersonRecord) {
    PlayerObject* p = PlayerPointer();
    if (p == nullptr) {
        return 0;
    }
    AnimationRecord* record = nullptr;
    if (firstPersonRecord) {
        record = p->FirstPersonAnim;
    } else if (p->Process != nullptr) {
        record = p->Process->BodyAnim;
    }
    if (record == nullptr) {
        return 0;
    }
    return (IsIdleAnimAbsent(record) & kIdleAbsentBit) == 0;
}

uint8_t IsActionStateTwoToFive(const ProcessObject* process) {
    return process->ActionState >= kActionStateFirstBusy &&
           process->ActionState <= kActionStateLastBusy;
}

uint8_t IsActionStateSix(const ProcessObject* process) {
    return process->ActionState == kActionStateSix;
}

void WatchMenus() {
    void* iface = GetInterfaceObject();
    if (WatchedMenuOpen == 0 && IsMenuModeActive(iface) != 0) {
        if (IsMenuOpen(iface, kMenuCodeFirst) != 0) {
            WatchedMenuOpen = 1;
        } else if (IsMenuOpen(iface, kMenuCodeSecond) != 0) {
            WatchedMenuOpen = 1;
        }
    }
}

void ReleaseMenuWatch() {
    void* iface = GetInterfaceObject();
    if (WatchedMenuOpen != 0) {
        const float gate = MenuGateFloat();
        if (IsMenuModeActive(iface) == 0 && gate == 0.0f) {
            WatchedMenuOpen = 0;
        }
    }
}

void ResolveModAnimMode() {
    // Without the player there is no ThirdPerson byte to mark, and no idle
    // animation to find: the tentative mode falls back as without one.
    PlayerObject* p = PlayerPointer();
    if (Settings.bFirstPersonModAnim == 1) {
        // The idle queries are made with the player marked as third person.
        if (p != nullptr) {
            SetThirdPerson(p, 1);
        }
        if (ForcedBodyMode == kForcedModeTentative) {
            if (IsIdleAnimActive(false) && ModAnimCounter != kModAnimCounterHeld) {
                ModAnimCounter = kModAnimCounterKept;
                ForcedBodyMode = kForcedModeKeep;
                ModAnimPending = 0;
            } else {
                FallBackFromTentative();
            }
        }
        if (IsIdleAnimActive(false)) {
            if (ModAnimCounter < kModAnimCounterHeld) {
                ++ModAnimCounter;
            }
        } else {
            ModAnimCounter = 0;
        }
        if (p != nullptr) {
            SetThirdPerson(p, static_cast<uint8_t>(SavedThirdPerson));
        }
    } else if (ForcedBodyMode == kForcedModeTentative) {
        if (IsIdleAnimActive(false)) {
            ForcedBodyMode = kForcedModeKeep;
            ModAnimPending = 0;
        } else {
            FallBackFromTentative();
        }
    }
}

void TickHeadAnchorCountdown() {
    const PlayerObject* p = PlayerPointer();
    if (p == nullptr || p->Process == nullptr) {
        return;
    }
    const uint8_t sit = p->Process->SitState;
    if (sit == kSitStateSeated || sit == kSitStateRising || sit >= kSitStateLying) {
        HeadAnchorCountdown = kHeadAnchorUpdates;
    } else if (HeadAnchorCountdown > 0) {
        --HeadAnchorCountdown;
    }
}

void RestoreChaseDistance() {
    if (SavedChaseDistance != 0.0f) {
        SetChaseCameraDistance(SavedChaseDistance);
        SavedChaseDistance = 0.0f;
    }
}

LF_LOGIC_END
