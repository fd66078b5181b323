#include "view/body_pass.h"

#include "body/arm_pose.h"
#include "body/head_bob.h"
#include "body/node_math.h"
#include "game/player_rig.h"
#include "settings/settings.h"
#include "view/view_state.h"

LF_LOGIC_BEGIN

namespace {

// How far the first-person arms are lowered while lying (game units, not
// scaled by the body).
constexpr float kLyingArmsDrop = 100.0f;
constexpr int32_t kRotateArmsPlainPath = 0x1; // bRotateThirdPersonArms bits
constexpr int32_t kRotateArmsOtherPaths = 0x2;

void RaiseBody(SceneNode* body) {
    if (body != nullptr) {
        const Vector3& local = body->LocalTranslation;
        SetLocalTranslation(
            body, Vector3{local.x, local.y, local.z + Settings.fCameraZOffset * body->WorldScale});
    }
}

// The body's root moved while lying: raised, or shifted while feeding.
void ShiftLyingBody(PlayerObject* p, SceneNode* body) {
    if (body == nullptr) {
        return;
    }
    if (IsVampireFeeding(p) == 0) {
        RaiseBody(body);
        return;
    }
    const float s = body->WorldScale;
    const Vector3 offset = {0.0f, Settings.fVampireFeedXYOffset * s, 0.0f};
    Vector3 r;
    MultiplyMatrix3Vector3(&r, &body->WorldRotation, &offset);
    const Vector3 shift = {r.x, r.y, r.z + Settings.fVampireFeedZOffset * s};
    const Vector3& local = body->LocalTranslation;
    SetLocalTranslation(body, Vector3{local.x + shift.x, local.y + shift.y, local.z + shift.z});
}

// The visibility once after dismounting in first person.
void RestoreAfterDismount(SceneNode* body, SceneNode* firstPerson, bool mounted) {
    if (Settings.bEnableFirstPersonBody != 0 && MountedInFirstPerson != 0 && !mounted) {
        SetNodeHidden(body, false);
        SetNodeHidden(firstPerson, Settings.bUseThirdPersonArms != 0);
        MountedInFirstPerson = 0;
    }
}

// The view logic of the pass, after the game's update of the record. It
// reads the process throughout (knockout and sit states); the other objects
// are skipped one by one where missing.
void BodyView(const PlayerRig& r) {
    PlayerObject* p = r.player;
    const int8_t knockout = r.process->KnockoutState;

    // Down: knocked out or dead with a forced body view.
    if (ForcedBodyMode != kForcedModeNone && (IsDead(p) != 0 || knockout != 0)) {
        LF_RECORDING_NOTE(NoteAllGameValues()); // the pass reads more than the scalars now
        InBodyPassUpdate = kFlagClear;
        RaiseBody(r.body);
        InExtraAnimUpdate = kFlagSet;
        UpdateRecordIfPresentUnread(r.bodyAnim);
        InExtraAnimUpdate = kFlagClear;
        return;
    }
    if (WatchedMenuOpen != 0) {
        return;
    }
    if (p->ThirdPerson != 0 && ForcedBodyMode == kForcedModeNone) {
        return;
    }
    LF_RECORDING_NOTE(NoteAllGameValues()); // the pass reads more than the scalars now
    const uint8_t sit = r.process->SitState;
    const uint8_t detached = CameraDetachedByte();
    const bool mounted = IsMounted(p);

    RestoreAfterDismount(r.body, r.firstPerson, mounted);
    if (sit >= kSitStateLying && detached == 0) {
        ShiftLyingBody(p, r.body);
    }
    if (SavedThirdPerson == 0 && detached == 0 && ForcedBodyMode == kForcedModeNone &&
        (!mounted || Settings.bHorseFirstPersonBody != 0)) {
        if (Settings.bEnableHeadBob != 0 || Settings.bEnableFirstPersonBody != 0) {
            ApplyHeadBob();
            if ((Settings.bRotateThirdPersonArms & kRotateArmsPlainPath) != 0) {
                PoseArms();
            }
        }
        if (Settings.bEnableHeadBob != 0 || sit != 0) {
            ApplyHeadOffset();
            if (sit >= kSitStateLying && r.firstPerson != nullptr) {
                const Vector3& arms = r.firstPerson->LocalTranslation;
                SetLocalTranslation(r.firstPerson,
                                    Vector3{arms.x, arms.y, arms.z - kLyingArmsDrop});
            }
            UpdateRecordIfPresentUnread(r.firstPersonAnim);
        }
    } else if ((Settings.bRotateThirdPersonArms & kRotateArmsOtherPaths) != 0) {
        PoseArms();
    }
    UpdateRecordIfPresentUnread(r.bodyAnim);
}

// Without the process there is no knockout or sit state, and no body
// record: of the view logic only the visibility after dismounting remains,
// while no forced mode asks for the knockout state first.
__attribute__((noinline)) void BodyViewWithoutProcess(PlayerObject* p) {
    if (ForcedBodyMode != kForcedModeNone || WatchedMenuOpen != 0 || p->ThirdPerson != 0) {
        return;
    }
    LF_RECORDING_NOTE(NoteAllGameValues()); // the roots' visibility is read now
    RestoreAfterDismount(p->BodyRoot, p->FirstPersonRoot, IsMounted(p));
}

} // namespace

void UpdateBodyPass(const void* actor, AnimationRecord* record) {
    // Every other actor passes here too: one comparison decides first.
    const PlayerObject* player = PlayerPointer();
    if (actor != player || player == nullptr ||
        (SavedThirdPerson != 0 && ForcedBodyMode == kForcedModeNone)) {
        LF_RECORDING_NOTE(NoteNothingReadAfterNextCall());
        UpdateAnimationRecord(record);
        return;
    }
    if (StepsAside()) {
        // Held off by another plug-in, or stepping aside in first person for
        // want of the shadow pass's second half: the game's own update alone
        // (the roots go back to the game's at the camera update: here the
        // game has the player's view flipped for one of its two updates).
        LF_RECORDING_NOTE(NoteNothingReadAfterNextCall());
        UpdateAnimationRecord(record);
        return;
    }
    const PlayerRig r = ReadPlayerRig();
    InBodyPassUpdate = kFlagSet;
    // The view logic reads the scalars first, and notes the rest where it
    // goes on to read more.
    LF_RECORDING_NOTE(NoteOnlyScalarsAfterNextCall());
    UpdateAnimationRecord(record);
    if (r.process != nullptr) {
        BodyView(r);
    } else {
        BodyViewWithoutProcess(r.player);
    }
    InBodyPassUpdate = kFlagClear;
}

LF_LOGIC_END
