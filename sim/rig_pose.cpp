#include "sim/rig_pose.h"

#include "sim/rig.h"
#include "sim/sim_game.h"
#include "view/view_state.h"

namespace sim {

namespace {

constexpr float kQuarterTurn = 1.5707963f;

// One bone of a pose: its turn against the rest pose (about x, then y, then
// z, in its parent's frame) and its shift from the rest place.
struct BoneTurn {
    BodyBone bone;
    float x, y, z;
    Vector3 shift;
};

// Sitting on a seat at the height of the knees: the pelvis down by a thigh's
// length, thighs forward, calves down, the hands on the thighs.
constexpr BoneTurn kSitting[] = {
    {kBoneBip01, 0, 0, 0, {0, 0, -28}},        {kBoneLeftThigh, kQuarterTurn, 0, 0, {}},
    {kBoneRightThigh, kQuarterTurn, 0, 0, {}}, {kBoneLeftCalf, -kQuarterTurn, 0, 0, {}},
    {kBoneRightCalf, -kQuarterTurn, 0, 0, {}}, {kBoneLeftUpperArm, 0.5f, 0, 0, {}},
    {kBoneRightUpperArm, 0.5f, 0, 0, {}},
};
// On the back in a bed at the root's height, the head toward -y, the face
// up, the arms at the sides.
constexpr BoneTurn kLying[] = {
    {kBoneBip01, kQuarterTurn, 0, 0, {0, 0, -54}},
};
// Astride: the pelvis down as when sitting, the thighs forward and apart,
// the calves back along the horse's flanks, the hands forward at the reins.
constexpr BoneTurn kRiding[] = {
    {kBoneBip01, 0, 0, 0, {0, 0, -28}},     {kBoneLeftThigh, 1.2f, 0.35f, 0, {}},
    {kBoneRightThigh, 1.2f, -0.35f, 0, {}}, {kBoneLeftCalf, -1.0f, 0, 0, {}},
    {kBoneRightCalf, -1.0f, 0, 0, {}},      {kBoneLeftUpperArm, 0.8f, 0, 0, {}},
    {kBoneRightUpperArm, 0.8f, 0, 0, {}},
};
// Flat on the back on the ground, the head toward -y, the arms flung out,
// one knee up.
constexpr BoneTurn kKnockedOut[] = {
    {kBoneBip01, kQuarterTurn, 0, 0, {0, 0, -54}},
    {kBoneLeftUpperArm, 0, 1.2f, 0, {}},
    {kBoneRightUpperArm, 0, -1.2f, 0, {}},
    {kBoneLeftThigh, 0.8f, 0, 0, {}},
    {kBoneLeftCalf, -1.4f, 0, 0, {}},
};

// Bent over a sleeper: the spine forward, the hands reaching down.
constexpr BoneTurn kFeeding[] = {
    {kBoneSpine, -0.9f, 0, 0, {}},
    {kBoneLeftUpperArm, 0.4f, 0, 0, {}},
    {kBoneRightUpperArm, 0.4f, 0, 0, {}},
};

struct PoseTable {
    const BoneTurn* bones;
    int count;
};
template <int N> constexpr PoseTable Table(const BoneTurn (&bones)[N]) {
    return {bones, N};
}
const PoseTable kPoses[kRigPoseCount] = {
    {nullptr, 0},   Table(kSitting),    Table(kLying),
    Table(kRiding), Table(kKnockedOut), Table(kFeeding),
};

Matrix3 Product(const Matrix3& a, const Matrix3& b) {
    Matrix3 m;
    MultiplyMatrix3(&m, &a, &b);
    return m;
}

// The animated bones: the biped's, not the attachment nodes.
bool IsAnimated(int bone) {
    return bone != kBoneMagicNode && bone != kBoneShieldSlot && bone != kBoneShield &&
           bone != kBoneLeftHandItemSlot && bone != kBoneTorch;
}

} // namespace

RigPose PoseOfState(const Game& game) {
    const ProcessObject& process = game.process->obj;
    if (process.KnockoutState != 0 || game.player->isDead != 0) {
        return RigPose::KnockedOut;
    }
    if (game.player->obj.Mount != nullptr) {
        return RigPose::Riding;
    }
    if (game.player->isVampireFeeding != 0) {
        return RigPose::Feeding;
    }
    if (process.SitState >= kSitStateLying) {
        return RigPose::Lying;
    }
    return process.SitState != 0 ? RigPose::Sitting : RigPose::Standing;
}

void WritePose(Game& game, RigPose pose) {
    for (int i = 0; i < kBodyBoneCount; ++i) {
        if (IsAnimated(i)) {
            game.bodyBones[i]->node.LocalRotation = kBodyBones[i].turn;
            game.bodyBones[i]->node.LocalTranslation = kBodyBones[i].at;
        }
    }
    const PoseTable& table = kPoses[static_cast<int>(pose)];
    for (int i = 0; i < table.count; ++i) {
        const BoneTurn& t = table.bones[i];
        SceneNode& n = game.bodyBones[t.bone]->node;
        const Matrix3 turn = Product(RotationZ(t.z), Product(RotationY(t.y), RotationX(t.x)));
        n.LocalRotation = Product(turn, kBodyBones[t.bone].turn);
        n.LocalTranslation = {n.LocalTranslation.x + t.shift.x, n.LocalTranslation.y + t.shift.y,
                              n.LocalTranslation.z + t.shift.z};
    }
}

} // namespace sim
