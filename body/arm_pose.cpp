#include "body/arm_pose.h"

#include "body/anim_queries.h"
#include "body/node_math.h"
#include "game/node_names.h"
#include "game/player_rig.h"
#include "view/view_state.h"

LF_LOGIC_BEGIN

namespace {

// Shares of the look pitch by which the arms turn.
constexpr double kBusyArmShare = 0.35;  // ActionState 2..5
constexpr double kStaffArmHalf = 0.5;   // the right arm with weapon kind 5 then
constexpr double kActionSixShare = 0.4; // ActionState 6
constexpr double kLeftItemShare = 0.6;  // something in the left hand
constexpr int32_t kNoWeapon = -1;

// Weapon kinds the angle table tells apart.
constexpr int32_t kWeaponKind0 = 0, kWeaponKind1 = 1, kWeaponKind2 = 2, kWeaponKind3 = 3;
constexpr int32_t kWeaponKind5 = 5;

// "magicNode" targets: offsets in a hand's frame.
constexpr Vector3 kBothHandsOffset = {12.0f, 4.0f, 0.0f};
constexpr Vector3 kRightHandOffset = {6.58f, 3.05f, -0.1f};
constexpr Vector3 kLeftHandOffset = {12.2f, 4.1f, 0.0f};
constexpr Vector3 kRightHandAltOffset = {6.62f, 3.02f, -0.075f};
constexpr float kMidpoint = 0.5f;

float Share(double share, float pitch) {
    return static_cast<float>(share * pitch);
}

// hand.WorldTranslation + hand.WorldRotation * offset.
Vector3 HandPoint(const SceneNode* hand, const Vector3& offset) {
    Vector3 turned;
    MultiplyMatrix3Vector3(&turned, &hand->WorldRotation, &offset);
    return Vector3{hand->WorldTranslation.x + turned.x, hand->WorldTranslation.y + turned.y,
                   hand->WorldTranslation.z + turned.z};
}

// Where "magicNode" goes for the group that plays; false when a hand the
// target needs is missing.
bool MagicTarget(const AnimationRecord* anim, SceneNode* body, Vector3* target) {
    if (IsAnimGroupPlaying(anim, kGroupBothHands, kGroupExact)) {
        const SceneNode* left = FindChildByName(body, kNodeLeftHand);
        const SceneNode* right = FindChildByName(body, kNodeRightHand);
        if (left == nullptr || right == nullptr) {
            return false;
        }
        // ((left hand + left offset) + right hand) + right offset, halved:
        // summed in this order, rounded to a float at every step.
        const Vector3 l = HandPoint(left, kBothHandsOffset);
        Vector3 rightOffset;
        MultiplyMatrix3Vector3(&rightOffset, &right->WorldRotation, &kBothHandsOffset);
        const Vector3& rh = right->WorldTranslation;
        *target = Vector3{((l.x + rh.x) + rightOffset.x) * kMidpoint,
                          ((l.y + rh.y) + rightOffset.y) * kMidpoint,
                          ((l.z + rh.z) + rightOffset.z) * kMidpoint};
        return true;
    }
    const char* handName = nullptr;
    Vector3 offset = {0, 0, 0};
    if (IsAnimGroupPlaying(anim, kGroupRightHand, kGroupExact)) {
        handName = kNodeRightHand;
        offset = kRightHandOffset;
    } else if (IsAnimGroupPlaying(anim, kGroupLeftHand, kGroupExact)) {
        handName = kNodeLeftHand;
        offset = kLeftHandOffset;
    } else if (IsAnimGroupPlaying(anim, kGroupRightHandAlt, kGroupExact)) {
        handName = kNodeRightHand;
        offset = kRightHandAltOffset;
    } else {
        return false;
    }
    const SceneNode* hand = FindChildByName(body, handName);
    if (hand == nullptr) {
        return false;
    }
    *target = HandPoint(hand, offset);
    return true;
}

void PlaceMagicNode(const AnimationRecord* anim, SceneNode* body) {
    SceneNode* magic = FindChildByName(body, kNodeMagic);
    Vector3 target;
    if (magic == nullptr || magic->Parent == nullptr || !MagicTarget(anim, body, &target)) {
        return;
    }
    const SceneNode* parent = magic->Parent;
    Matrix3 inverse;
    InvertMatrix3(&inverse, &parent->WorldRotation);
    const Vector3 fromParent = {target.x - parent->WorldTranslation.x,
                                target.y - parent->WorldTranslation.y,
                                target.z - parent->WorldTranslation.z};
    Vector3 local;
    MultiplyMatrix3Vector3(&local, &inverse, &fromParent);
    SetLocalTranslation(magic, local);
}

} // namespace

int32_t EquippedWeaponCode(const ProcessObject* process) {
    const WeaponEntry* entry = process->EquippedWeapon;
    const ItemForm* form = entry != nullptr ? entry->Form : nullptr;
    if (form == nullptr || form->FormType != kFormTypeWeapon) {
        return kNoWeapon;
    }
    return form->WeaponKind;
}

void PoseArms() {
    PlayerObject* player = PlayerPointer();
    if (player == nullptr || player->Process == nullptr || player->BodyRoot == nullptr) {
        return;
    }
    ProcessObject* process = player->Process;
    SceneNode* body = player->BodyRoot;
    const AnimationRecord* anim = process->BodyAnim;
    const float p = player->LookPitch;
    const int32_t weapon = EquippedWeaponCode(process);

    // 1. The angles: the first row that holds decides.
    float left = 0.0f, right = 0.0f;
    if (anim != nullptr && IsAnimGroupPlaying(anim, kGroupArmsFirst, kGroupArmsLast)) {
        const bool handsGroup = IsAnimGroupPlaying(anim, kGroupBothHands, kGroupLeftHand) ||
                                IsAnimGroupPlaying(anim, kGroupRightHand, kGroupRightHandAlt);
        left = right = handsGroup ? p : 0.0f;
    } else if (IsActionStateTwoToFive(process)) {
        if (weapon == kWeaponKind0 || weapon == kWeaponKind2) {
            right = Share(kBusyArmShare, p);
        } else if (weapon == kWeaponKind5) {
            left = Share(kBusyArmShare, p);
            right = static_cast<float>(static_cast<double>(p) * kBusyArmShare * kStaffArmHalf);
        } else {
            left = right = Share(kBusyArmShare, p);
        }
    } else if (IsActionStateSix(process)) {
        if (weapon == kWeaponKind0 || weapon == kWeaponKind2) {
            if (ShieldQuery(process) != 0) {
                left = Share(kActionSixShare, p);
            } else {
                right = Share(kActionSixShare, p);
            }
        } else if (weapon == kWeaponKind1 || weapon == kWeaponKind3) {
            left = right = Share(kActionSixShare, p);
        } else if (weapon == kWeaponKind5) {
            left = Share(kActionSixShare, p);
        } else {
            left = right = Share(kActionSixShare, p);
        }
    } else if (LeftHandItemQuery(process) != 0) {
        left = Share(kLeftItemShare, p);
    }

    // 2. "magicNode" at or between the hands while casting or aiming.
    if (anim != nullptr && (IsAnimGroupPlaying(anim, kGroupBothHands, kGroupLeftHand) ||
                            IsAnimGroupPlaying(anim, kGroupRightHand, kGroupRightHandAlt))) {
        PlaceMagicNode(anim, body);
    }

    // 3. Both clavicles, every time, also by 0.
    if (SceneNode* l = FindChildByName(body, kNodeLeftClavicle)) {
        RotateClavicle(player, l, -left);
    }
    if (SceneNode* r = FindChildByName(body, kNodeRightClavicle)) {
        RotateClavicle(player, r, -right);
    }
}

void RotateClavicle(PlayerObject* player, SceneNode* node, float angle) {
    NodeVirtual29(node);
    if (node->Parent == nullptr) {
        return;
    }
    Matrix3 bodyInverse;
    InvertMatrix3(&bodyInverse, &player->BodyRoot->WorldRotation);
    Matrix3 m1, m2;
    MultiplyMatrix3(&m1, &bodyInverse, &node->WorldRotation);
    MultiplyMatrix3(&m2, &bodyInverse, &node->Parent->WorldRotation);
    const float c = CosF(angle), s = SinF(angle);
    const Matrix3 turn = {{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
    Matrix3 m3;
    MultiplyMatrix3(&m3, &turn, &m1);
    Matrix3 parentInverse;
    InvertMatrix3(&parentInverse, &m2);
    Matrix3 local;
    MultiplyMatrix3(&local, &parentInverse, &m3);
    SetLocalRotation(node, local);
}

LF_LOGIC_END
