#include "view/body_view_report.h"

#include "game/player_rig.h"
#include "settings/settings.h"
#include "view/head_camera.h"
#include "view/view_state.h"

namespace {

constexpr uint8_t kIdleAbsentBit = 0x01;

// The state, by the rules the body view follows, in their order: why it is
// off first, then the state that decides its camera and body.
uint32_t StateNow() {
    PlayerObject* p = PlayerPointer();
    if (p == nullptr || p->Process == nullptr || p->BodyRoot == nullptr) {
        return LUMENFOLD_STATE_OFF_NO_PLAYER;
    }
    if (BodyViewHeld != 0) {
        return LUMENFOLD_STATE_OFF_HELD;
    }
    if (Settings.bEnableFirstPersonBody == 0) {
        return LUMENFOLD_STATE_OFF_SETTING;
    }
    // The view as the body view took it at its last camera update (or change
    // of view): the game flips its byte for one of the player's animation
    // updates, where the frame's message may be sent from.
    const bool firstPerson = SavedThirdPerson == 0 && CameraDetachedByte() == 0;
    if (!firstPerson && ForcedBodyMode == kForcedModeNone) {
        return LUMENFOLD_STATE_OFF_THIRD_PERSON;
    }
    if (StepsAsideWithoutBracket()) {
        return LUMENFOLD_STATE_OFF_PLACE_TAKEN;
    }
    if (WatchedMenuOpen != 0) {
        return LUMENFOLD_STATE_MENU;
    }
    const bool mounted = IsMounted(p);
    if (firstPerson && mounted && Settings.bHorseFirstPersonBody == 0) {
        return LUMENFOLD_STATE_OFF_SETTING; // the body is hidden on a horse
    }
    const ProcessObject* process = p->Process;
    if (game::IsDead(p) != 0) {
        return LUMENFOLD_STATE_DEAD;
    }
    if (process->KnockoutState != 0) {
        return LUMENFOLD_STATE_KNOCKED_OUT;
    }
    if (game::IsVampireFeeding(p) != 0) {
        return LUMENFOLD_STATE_FEEDING;
    }
    if (mounted) {
        return LUMENFOLD_STATE_RIDING;
    }
    if (process->SitState >= kSitStateLying) {
        return LUMENFOLD_STATE_LYING;
    }
    if (process->SitState != 0) {
        return LUMENFOLD_STATE_SITTING;
    }
    AnimationRecord* body = process->BodyAnim;
    if (body != nullptr && (game::IsIdleAnimAbsent(body) & kIdleAbsentBit) == 0) {
        return LUMENFOLD_STATE_MOD_ANIMATION;
    }
    return LUMENFOLD_STATE_STANDING;
}

} // namespace

void DescribeBodyView(LumenfoldBodyView* view) {
    view->state = StateNow();
    view->on = view->state < LUMENFOLD_STATE_MENU ? 1u : 0u;
    const bool placed = CameraPlacedByBodyView != 0;
    view->cameraPlaced = placed ? 1u : 0u;
    view->eye[0] = placed ? PlacedCameraAt.x : 0.0f;
    view->eye[1] = placed ? PlacedCameraAt.y : 0.0f;
    view->eye[2] = placed ? PlacedCameraAt.z : 0.0f;
}
