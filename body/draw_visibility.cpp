#include "body/draw_visibility.h"

#include "body/anim_queries.h"
#include "game/node_names.h"
#include "game/player_rig.h"
#include "settings/settings.h"
#include "view/view_state.h"

#if !defined(LF_RECORDING_BUILD)
uint32_t SavedBodyFlags = 0;
bool SavedBodyFlagsValid = false;
#endif

LF_LOGIC_BEGIN

namespace {

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
        SetLocalScale(node, scale);
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
        SetWorldTranslation(to, from->WorldTranslation);
    }
}

// The body hidden during a pass of this kind, and its bit 0 put back after
// it as it was (the other bits as the game has them then). Only the body
// root is needed.
void HideBodyDuringPass(SceneNode* body, uint8_t before) {
    if (body == nullptr) {
        return;
    }
    if (before != 0) {
        SavedBodyFlags = body->Flags;
        SavedBodyFlagsValid = true;
        HideNode(body);
    } else if (SavedBodyFlagsValid) {
        RestoreHiddenBit(body, SavedBodyFlags);
    }
}

} // namespace

void ResetShadowBracket() {
    SavedBodyFlags = 0;
    SavedBodyFlagsValid = false;
}

void SetSheathedGearVisibility(uint8_t visible) {
    // Each step reads its own objects and is skipped alone when one is
    // missing: the process (steps 1, 2 and the game's arms in 3), the body
    // record (1, 2, 4; a body record implies the process), the body root (3).
    const PlayerRig r = ReadPlayerRig();
    if (r.player == nullptr) {
        return;
    }
    const float scale = visible != 0 ? kScaleShown : kScaleCollapsed;
    ProcessObject* process = r.process;
    AnimationRecord* anim = r.bodyAnim;
    const bool mounted = IsMounted(r.player);

    // 1. The shield, while the weapon is sheathed.
    if (anim != nullptr && Settings.bHideShieldWeaponSheathed != 0 && ShieldQuery(process) != 0 &&
        process->WeaponDrawn == 0 && !IsActionStateSix(process) && !IsGroup17To18Playing()) {
        SetScale(FirstChild(anim->ShieldHolder), scale);
    }
    // 2. The left-hand item while riding without the body.
    if (anim != nullptr && mounted && Settings.bHorseFirstPersonBody != 1 &&
        LeftHandItemQuery(process) != 0) {
        SetScale(FirstChild(anim->LeftHandHolder), scale);
    }
    // 3. The clavicles, and with them the arms. The body's own arms go by the
    // first-person record's idle query alone, with or without the process;
    // the game's arms by the process.
    const auto ownArms = [mounted] {
        return Settings.bUseThirdPersonArms != 0 ||
               (mounted && Settings.bHorseFirstPersonBody == 1);
    };
    if (process != nullptr && r.body != nullptr) {
        if (ownArms()) {
            if (IsIdleAnimActive(true)) {
                SetClavicleScale(r.body, scale, false);
            }
        } else if (Settings.bVisibleArmsWeaponSheathed == 0 || process->WeaponDrawn != 0 ||
                   IsGroup34To39Playing() || IsGroup17To18Playing() || IsIdleAnimActive(true)) {
            SetClavicleScale(r.body, scale, false);
        } else if (IsActionStateSix(process) || LeftHandItemQuery(process) != 0) {
            SetClavicleScale(r.body, scale, true);
        }
    } else if (r.body != nullptr && ownArms() && IsIdleAnimActive(true)) {
        SetClavicleScale(r.body, scale, false);
    }
    // 4. The head.
    if (anim != nullptr && (Settings.bEnableHeadFirstPerson == 0 || WatchedMenuOpen != 0)) {
        SetScale(anim->HeadNode, scale);
    }
}

void ToggleFirstPersonForShadow(uint8_t before) {
    if (before != 0) {
        SavedBodyFlagsValid = false;
    }
    if (BodyViewHeld != 0) {
        // Held off by another plug-in: the game's own pass, nothing shown for
        // it and nothing collapsed after it. A menu watched before the hold
        // may still close meanwhile.
        StepAsideForHold();
        if (before == 0) {
            ReleaseMenuWatch();
        }
        return;
    }
    const PlayerRig r = ReadPlayerRig();
    if (r.player != nullptr) {
        PlayerObject* p = r.player;
        const uint32_t shadow = QueryShadowState(p);
        const uint32_t passA = QueryCodedState(p, kCodedStateScenePassA);
        const uint32_t passB = QueryCodedState(p, kCodedStateScenePassB);
        if (shadow != 0 && (passA != 0 || passB != 0)) {
            HideBodyDuringPass(r.body, before);
        } else if (IsFirstPerson(p)) {
            // Body complete for the shadow; collapsed again for the view.
            const bool bodyOffInView = Settings.bEnableFirstPersonBody == 0 ||
                                       (IsMounted(p) && Settings.bHorseFirstPersonBody == 0);
            if (before != 0) {
                if (bodyOffInView) {
                    SetNodeHidden(r.body, false);
                }
                UpdateRecordIfPresentUnread(r.bodyAnim);
            } else {
                if (bodyOffInView) {
                    SetNodeHidden(r.body, true);
                }
                SetSheathedGearVisibility(0);
                UpdateRecordIfPresent(r.bodyAnim);
                SetSheathedGearVisibility(1);
                if (r.firstPerson != nullptr && r.body != nullptr) {
                    CopyMagicNodePosition(r.firstPerson, r.body);
                }
            }
        }
    }
    if (before == 0) {
        SavedBodyFlagsValid = false;
        ReleaseMenuWatch();
    }
}

uint8_t DrawBothSkeletons(DrawObject* object) {
    // Every draw object of the game passes here: its owner decides first.
    PlayerObject* player = PlayerPointer();
    if (object->Owner != player || player == nullptr || player->BodyRoot == nullptr) {
        return Draw(object);
    }
    SceneNode* body = player->BodyRoot;
    if (QueryCodedState(player, kCodedStateDoubleDraw) != 0) {
        LF_RECORDING_NOTE(NoteAllGameValues()); // the site noted only the roots
        SetSheathedGearVisibility(1);
        UpdateRecordIfPresent(ReadPlayerRig().bodyAnim);
    }
    const uint16_t kept = body->Flags;
    uint8_t result;
    if (SavedThirdPerson != 0 || Settings.bUseThirdPersonArms != 0) {
        HideNode(body);
        Draw(object);
        ShowNode(body);
        result = Draw(object);
    } else {
        ShowNode(body);
        Draw(object);
        HideNode(body);
        result = Draw(object);
    }
    SetFlags(body, kept); // only the game's two draws ran since it was read
    return result;
}

LF_LOGIC_END
