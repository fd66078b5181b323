#include "body/draw_visibility.h"

#include "body/anim_queries.h"
#include "game/node_names.h"
#include "game/player_rig.h"
#include "settings/settings.h"
#include "view/view_state.h"

namespace {

// The BodyRoot Flags word saved by the before-call of the shadow bracket,
// and whether this pass's before-call saved it: an after-call writes back
// only a word saved in the same pass.
uint32_t g_savedBodyFlags = 0;
bool g_savedBodyFlagsValid = false;

constexpr float kScaleShown = 1.0f;
constexpr float kScaleCollapsed = 0.0f;

// Element 0 of a node's children, when there is one.
SceneNode* FirstChild(const SceneNode* node) {
    if (node == nullptr || node->ChildCount == 0) {
        return nullptr;
    }
    return node->Children[0];
}

void SetScale(SceneNode* node, float scale) {
    if (node != nullptr) {
        node->LocalScale = scale;
    }
}

void SetClavicleScale(SceneNode* body, float scale, bool leftOnly) {
    SetScale(FindChildByName(body, kNodeLeftClavicle), scale);
    if (!leftOnly) {
        SetScale(FindChildByName(body, kNodeRightClavicle), scale);
    }
}

// The body's "magicNode" takes the first-person "magicNode"'s world position.
void CopyMagicNodePosition(SceneNode* firstPerson, SceneNode* body) {
    const SceneNode* from = FindChildByName(firstPerson, kNodeMagic);
    SceneNode* to = FindChildByName(body, kNodeMagic);
    if (from != nullptr && to != nullptr) {
        to->WorldTranslation = from->WorldTranslation;
    }
}

} // namespace

void ResetShadowBracket() {
    g_savedBodyFlags = 0;
    g_savedBodyFlagsValid = false;
}

void SetSheathedGearVisibility(uint8_t visible) {
    PlayerRig r;
    if (!ReadPlayerRig(&r)) {
        return;
    }
    const float scale = visible != 0 ? kScaleShown : kScaleCollapsed;
    ProcessObject* process = r.process;
    const bool mounted = IsMounted(r.player);

    // 1. The shield, while the weapon is sheathed.
    if (Settings.bHideShieldWeaponSheathed != 0 && ShieldQuery(process) != 0 &&
        process->WeaponDrawn == 0 && !IsActionStateSix(process) && !IsGroup17To18Playing()) {
        SetScale(FirstChild(r.bodyAnim->ShieldHolder), scale);
    }
    // 2. The left-hand item while riding without the body.
    if (mounted && Settings.bHorseFirstPersonBody != 1 && LeftHandItemQuery(process) != 0) {
        SetScale(FirstChild(r.bodyAnim->LeftHandHolder), scale);
    }
    // 3. The clavicles, and with them the arms.
    if (Settings.bUseThirdPersonArms != 0 || (mounted && Settings.bHorseFirstPersonBody == 1)) {
        if (IsIdleAnimActive(true)) {
            SetClavicleScale(r.body, scale, false);
        }
    } else if (Settings.bVisibleArmsWeaponSheathed == 0 || process->WeaponDrawn != 0 ||
               IsGroup34To39Playing() || IsGroup17To18Playing() || IsIdleAnimActive(true)) {
        SetClavicleScale(r.body, scale, false);
    } else if (IsActionStateSix(process) || LeftHandItemQuery(process) != 0) {
        SetClavicleScale(r.body, scale, true);
    }
    // 4. The head.
    if (Settings.bEnableHeadFirstPerson == 0 || WatchedMenuOpen != 0) {
        SetScale(r.bodyAnim->HeadNode, scale);
    }
}

void ToggleFirstPersonForShadow(uint8_t before) {
    PlayerRig r;
    if (before != 0) {
        g_savedBodyFlagsValid = false;
    }
    if (ReadPlayerRig(&r)) {
        PlayerObject* p = r.player;
        const uint32_t shadow = QueryShadowState(p);
        const uint32_t passA = QueryCodedState(p, kCodedStateScenePassA);
        const uint32_t passB = QueryCodedState(p, kCodedStateScenePassB);
        if (shadow != 0 && (passA != 0 || passB != 0)) {
            // The body is hidden during this pass, and its word put back after.
            if (before != 0) {
                g_savedBodyFlags = r.body->Flags;
                g_savedBodyFlagsValid = true;
                HideNode(r.body);
            } else if (g_savedBodyFlagsValid) {
                r.body->Flags = static_cast<uint16_t>(g_savedBodyFlags);
            }
        } else if (IsFirstPerson(p)) {
            // Body complete for the shadow; collapsed again for the view.
            const bool bodyOffInView = Settings.bEnableFirstPersonBody == 0 ||
                                       (IsMounted(p) && Settings.bHorseFirstPersonBody == 0);
            if (before != 0) {
                if (bodyOffInView) {
                    ShowNode(r.body);
                }
                UpdateAnimationRecord(r.bodyAnim);
            } else {
                if (bodyOffInView) {
                    HideNode(r.body);
                }
                SetSheathedGearVisibility(0);
                UpdateAnimationRecord(r.bodyAnim);
                SetSheathedGearVisibility(1);
                CopyMagicNodePosition(r.firstPerson, r.body);
            }
        }
    }
    if (before == 0) {
        g_savedBodyFlagsValid = false;
        ReleaseMenuWatch();
    }
}

uint8_t DrawBothSkeletons(DrawObject* object) {
    PlayerRig r;
    if (object->Owner != PlayerPointer() || !ReadPlayerRig(&r)) {
        return Draw(object);
    }
    if (QueryCodedState(r.player, kCodedStateDoubleDraw) != 0) {
        SetSheathedGearVisibility(1);
        UpdateAnimationRecord(r.bodyAnim);
    }
    const uint16_t kept = r.body->Flags;
    uint8_t result;
    if (SavedThirdPerson != 0 || Settings.bUseThirdPersonArms != 0) {
        HideNode(r.body);
        Draw(object);
        ShowNode(r.body);
        result = Draw(object);
    } else {
        ShowNode(r.body);
        Draw(object);
        HideNode(r.body);
        result = Draw(object);
    }
    r.body->Flags = kept;
    return result;
}
