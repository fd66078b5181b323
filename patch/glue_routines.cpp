#include "game/player_rig.h"
#include "patch/glue.h"
#include "view/view_state.h"

uint32_t IsShownBodyAnimRecord(const AnimationRecord* record) {
    const PlayerObject* p = PlayerPointer();
    if (BodyViewHeld != 0 || p == nullptr || p->FirstPersonRoot == nullptr || p->BodyRoot == nullptr ||
        p->Process == nullptr) {
        return 0;
    }
    return IsNodeShown(p->FirstPersonRoot) && IsNodeShown(p->BodyRoot) &&
                   record == p->Process->BodyAnim
               ? 1
               : 0;
}

void SaveChaseDistance() {
    // While held off by another plug-in, the chase distance is the game's.
    if (BodyViewHeld == 0) {
        SavedChaseDistance = ChaseCameraDistance();
    }
}
