#include "view/head_camera.h"

#include <string.h>

#include "body/anim_queries.h"
#include "game/node_names.h"
#include "game/player_rig.h"
#include "settings/settings.h"
#include "view/view_state.h"

#if !defined(LF_RECORDING_BUILD)
int32_t CameraPlacedByBodyView = 0;
Vector3 PlacedCameraAt = {0.0f, 0.0f, 0.0f};
#endif

LF_LOGIC_BEGIN

namespace {

// The two fixed angles of the head-camera rotation, as the float bit patterns
// of -pi/2 and +pi/2, and pi/2 in double precision for the pitch angle.
constexpr uint32_t kMinusHalfPiBits = 0xBFC90FDBu;
constexpr uint32_t kHalfPiBits = 0x3FC90FDBu;
constexpr double kHalfPi = 1.5707963267948966;

float FloatFromBits(uint32_t bits) {
    float f;
    memcpy(&f, &bits, sizeof f);
    return f;
}

Vector3 Scaled(float a, float b, float c, float s) {
    return Vector3{a * s, b * s, c * s};
}

// camera.LocalTranslation = head + turn * offset.
void PlaceCamera(SceneNode* camera, const Vector3& head, const Matrix3& turn,
                 const Vector3& offset) {
    Vector3 turned;
    MultiplyMatrix3Vector3(&turned, &turn, &offset);
    const Vector3 eye = {head.x + turned.x, head.y + turned.y, head.z + turned.z};
    SetLocalTranslation(camera, eye);
    CameraPlacedByBodyView = 1;
    PlacedCameraAt = eye;
}

void TurnCamera(SceneNode* camera, const Matrix3& head, const Matrix3& frame) {
    Matrix3 product;
    MultiplyMatrix3(&product, &head, &frame);
    SetLocalRotation(camera, product);
}

// Shows or hides the game's first-person arms for this camera update.
void UpdateArmsVisibility(const PlayerRig& r, uint8_t detached) {
    PlayerObject* p = r.player;
    const bool mounted = IsMounted(p);
    if (Settings.bUseThirdPersonArms != 0) {
        const bool show =
            p->ThirdPerson == 0 && detached == 0 &&
            (IsIdleAnimActive(true) || (mounted && Settings.bHorseFirstPersonBody != 1));
        SetNodeHidden(r.firstPerson, !show);
    } else if (Settings.bVisibleArmsWeaponSheathed == 1 && r.process != nullptr) {
        const uint32_t leftHandItem = LeftHandItemQuery(r.process);
        const bool handsIdle = r.process->WeaponDrawn == 0 && !IsGroup34To39Playing() &&
                               !IsGroup17To18Playing() && !IsActionStateSix(r.process) &&
                               leftHandItem == 0;
        const bool show = p->ThirdPerson == 0 && detached == 0 &&
                          ((!mounted && !handsIdle) || IsIdleAnimActive(true) ||
                           (mounted && Settings.bHorseFirstPersonBody != 1));
        SetNodeHidden(r.firstPerson, !show);
    } else if (p->ThirdPerson == 0 && detached == 0) {
        // Neither arm setting decides: in first person the frame start's rule
        // holds, the game's arms hidden only on a mount that shows the body.
        SetNodeHidden(r.firstPerson, mounted && Settings.bHorseFirstPersonBody == 1);
    }
}

// Whether one of the two standing idles plays on the body's record, by the
// names of its sequences.
bool StandingIdlePlaying(const AnimationRecord* body) {
    LF_RECORDING_NOTE(NoteSequenceTexts(body)); // the names are read here
    return IsAnimSequencePlaying(body, kSequenceStand) ||
           IsAnimSequencePlaying(body, kSequenceGuardCheck);
}

// Lets the game reset two standing idles, with the player marked as third
// person for that call.
void ResetStandingIdle(const PlayerRig& r) {
    PlayerObject* p = r.player;
    if (r.bodyAnim != nullptr && p->ThirdPerson == 0 && IsIdleAnimActive(false) &&
        StandingIdlePlaying(r.bodyAnim)) {
        SetThirdPerson(p, 1);
        PlayerIdleUpdate(p);
        SetThirdPerson(p, static_cast<uint8_t>(SavedThirdPerson));
    }
}

// Puts the camera at the body's head, in the anchored, idle-animation or
// plain case; or leaves it where the game put it.
void PlaceAtHead(const PlayerRig& r, SceneNode* camera, int8_t knockout, uint8_t detached) {
    PlayerObject* p = r.player;
    const bool mounted = IsMounted(p);

    // Cases in which the camera stays where the game put it.
    if (p->ThirdPerson != 0 && ForcedBodyMode == kForcedModeNone) {
        return;
    }
    if (mounted && Settings.bHorseFirstPersonBody == 0 && r.process->SitState == kSitStateOnMount &&
        HeadAnchorCountdown == 0) {
        return;
    }
    if (WatchedMenuOpen != 0 || detached != 0) {
        return;
    }

    // The head and the body's frame.
    SceneNode* head = FindChildByName(r.body, kNodeHead);
    if (head == nullptr) {
        return; // no head to sit at: the camera stays for this update
    }
    const Vector3 h = head->WorldTranslation;
    const Matrix3 headRotation = head->WorldRotation;
    const Matrix3 bodyRotation = r.body->WorldRotation;
    const float s = r.body->WorldScale;

    // Anchored to the head's own rotation.
    const bool dead = IsDead(p) != 0;
    if (dead || knockout != 0 || HeadAnchorCountdown != 0) {
        const bool feeding = IsVampireFeeding(p) != 0;
        const float y = feeding   ? Settings.fVampireFeedCameraPosY
                        : mounted ? Settings.fHorseMountCameraPosY
                                  : Settings.fCameraPosY;
        PlaceCamera(camera, h, headRotation,
                    Scaled(Settings.fCameraPosZ, y, Settings.fCameraPosX, s));
        if (Settings.bFirstPersonAnimCameraRotation != 0 && !dead && !feeding) {
            TurnCamera(camera, headRotation, HeadCameraRotation(p->LookPitch));
        } else {
            TurnCamera(camera, headRotation, FixedCameraFrame());
        }
        return;
    }

    // An idle animation plays on the body.
    if (IsIdleAnimActive(false)) {
        PlaceCamera(camera, h, headRotation,
                    Scaled(Settings.fCameraPosZ, Settings.fCameraPosY, Settings.fCameraPosX, s));
        TurnCamera(camera, headRotation, HeadCameraRotation(p->LookPitch));
        return;
    }

    // Plain placement, turned by the body: only when something asks for it;
    // otherwise the body pass brings the body to the camera instead.
    if (ForcedBodyMode == kForcedModeNone && Settings.bEnableHeadBob == 0 &&
        (r.process->SitState == 0 || Settings.bEnableFirstPersonBody == 0)) {
        return;
    }
    PlaceCamera(camera, h, bodyRotation,
                Scaled(Settings.fCameraPosX, Settings.fCameraPosY, Settings.fCameraPosZ, s));
}

// The rest of a camera update where the body view steps aside in the game's
// first person for want of the shadow pass's second half: the game's own
// skeletons of that view (its arms, not the body), the head-anchor countdown
// and the chase distance as ever, and the camera where the game put it.
__attribute__((noinline)) void AsideWithoutBracket(const PlayerRig& r, int8_t knockout) {
    if (Settings.bEnableFirstPersonBody != 0) {
        SetNodeHidden(r.body, true);
        SetNodeHidden(r.firstPerson, false);
    }
    if (r.process == nullptr) {
        return;
    }
    TickHeadAnchorCountdown();
    if (knockout == 0 && r.player->RestoreBlockA == 0 && r.player->RestoreBlockB == 0) {
        RestoreChaseDistance();
    }
}

} // namespace

Matrix3 FixedCameraFrame() {
    return Matrix3{{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}};
}

Matrix3 HeadCameraRotation(float pitch) {
    const float a = FloatFromBits(kMinusHalfPiBits);
    const float b = static_cast<float>(kHalfPi - static_cast<double>(pitch));
    const float c = FloatFromBits(kHalfPiBits);
    const double sa = SinF(a), ca = CosF(a);
    const double sb = SinF(b), cb = CosF(b);
    const double sc = SinF(c), cc = CosF(c);
    Matrix3 m;
    m.m[0][0] = static_cast<float>(cb * cc);
    m.m[0][1] = static_cast<float>(-cb * sc);
    m.m[0][2] = static_cast<float>(sb);
    m.m[1][0] = static_cast<float>(sa * sb * cc + ca * sc);
    m.m[1][1] = static_cast<float>(ca * cc - sa * sb * sc);
    m.m[1][2] = static_cast<float>(-sa * cb);
    m.m[2][0] = static_cast<float>(sa * sc - ca * sb * cc);
    m.m[2][1] = static_cast<float>(ca * sb * sc + sa * cc);
    m.m[2][2] = static_cast<float>(ca * cb);
    return m;
}

void UpdateHeadCamera(SceneNode* camera) {
    CameraPlacedByBodyView = 0;
    const PlayerRig r = ReadPlayerRig();
    PlayerObject* p = r.player;
    if (p == nullptr) {
        WatchMenus(); // the only step that reads nothing of the player
        return;
    }
    if (BodyViewHeld != 0) {
        // Held off by another plug-in: the game's camera and skeletons as
        // the game has them; only the view it shows is taken for the give-back.
        SavedThirdPerson = p->ThirdPerson;
        StepAsideForHold();
        return;
    }

    // 1. Entry. Without the process there is no knockout state: the steps
    // that read it (8 and the placement) are skipped.
    const int8_t knockout = r.process != nullptr ? r.process->KnockoutState : 0;
    const uint8_t detached = CameraDetachedByte();
    SavedThirdPerson = p->ThirdPerson;

    // 2. Extra animation update of both skeletons, and a switch to third
    // person that the game made during it.
    if ((SavedThirdPerson == 0 || ForcedBodyMode != 0) && IsDead(p) == 0) {
        InExtraAnimUpdate = kFlagSet;
        UpdateRecordsIfPresent(r.bodyAnim, r.firstPersonAnim);
        InExtraAnimUpdate = kFlagClear;
    }
    if (Settings.bEnableFirstPersonBody != 0 && SavedThirdPerson == 0 &&
        p->ThirdPerson != SavedThirdPerson) {
        ForcedBodyMode = kForcedModeKeep;
        HeadAnchorCountdown = kHeadAnchorUpdates;
    }
    // Up to here the camera update reads the scalars alone; from here on the
    // nodes and the body's record too.
    LF_RECORDING_NOTE(NoteAllGameValues());

    // 3. to 5. Menu watch, standing idles, mod animations.
    WatchMenus();
    ResetStandingIdle(r);
    ResolveModAnimMode();

    // Where the body view steps aside in first person for want of the shadow
    // pass's second half, the rest of the update is its own.
    if (FrameChoresAtCamera != 0 && StepsAsideWithoutBracket() && p->ThirdPerson == 0 &&
        detached == 0) {
        AsideWithoutBracket(r, knockout);
        return;
    }

    // 6. Visibility of the two skeletons.
    const bool mounted = IsMounted(p);
    if (WatchedMenuOpen != 0) {
        SetNodeHidden(r.body, true);
    } else if (p->ThirdPerson == 0 && detached == 0 && mounted &&
               Settings.bHorseFirstPersonBody == 0) {
        SetNodeHidden(r.body, true);
    } else if (Settings.bEnableFirstPersonBody != 0) {
        SetNodeHidden(r.body, false);
    }
    if (Settings.bEnableFirstPersonBody != 0) {
        UpdateArmsVisibility(r, detached);
        // The frame start marks a ride in first person for the body pass's
        // restore after dismounting; the game passes it only when the view
        // changes, and a mount needs none.
        if (p->ThirdPerson == 0 && detached == 0 && mounted) {
            MountedInFirstPerson = 1;
        }
    }

    // 7. and 8. (both read the process).
    if (r.process == nullptr) {
        return;
    }
    TickHeadAnchorCountdown();
    if (knockout == 0 && p->RestoreBlockA == 0 && p->RestoreBlockB == 0) {
        RestoreChaseDistance();
    }

    // 9. to 13. The camera at the head, when there is a camera and a body.
    if (camera != nullptr && r.body != nullptr) {
        PlaceAtHead(r, camera, knockout, detached);
    }
}

void KeepBodyViewAfterSwitch() {
    if (ForcedBodyMode == kForcedModeNone) {
        return;
    }
    const PlayerRig r = ReadPlayerRig();
    SceneNode* camera = CameraNodePointer();
    if (r.player == nullptr || r.process == nullptr || r.body == nullptr || camera == nullptr) {
        return;
    }
    PlaceAtHead(r, camera, r.process->KnockoutState, CameraDetachedByte());
    NodeVirtual29(camera);
}

LF_LOGIC_END
