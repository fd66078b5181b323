// The standard rig of the simulated game as a table: every bone of the two
// player skeletons with its parent and its place relative to the parent.
// The simulated game builds its skeletons from it, and the simulator's
// scenario reader checks node names against it without building a game.
#pragma once

#include "body/node_math.h"

namespace sim {

struct RigBone {
    const char* name;
    int parent;   // index into the same table; -1: hangs under the skeleton's root
    Vector3 at;   // local translation
    Matrix3 turn; // local rotation
};

inline constexpr Matrix3 kUnturned = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
// The head's frame, as a biped's head bone has it: its first axis along the
// body's up, its third axis along the body's left. The camera frame that the
// plug-in turns by the head (rows (0, 0, 1), (0, 1, 0), (-1, 0, 0)) then maps
// back onto the body's own axes: a camera anchored to the upright head looks
// ahead, and the offsets of the anchored and the plain placements meet at the
// same eye point.
inline constexpr Matrix3 kHeadFrame = {{{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}};

// The bones of the full body, by their place in kBodyBones.
enum BodyBone : int {
    kBoneBip01,
    kBonePelvis,
    kBoneSpine,
    kBoneNeck,
    kBoneHead,
    kBoneLeftClavicle,
    kBoneLeftUpperArm,
    kBoneLeftHand,
    kBoneRightClavicle,
    kBoneRightUpperArm,
    kBoneRightHand,
    kBoneMagicNode,
    kBoneShieldSlot,
    kBoneShield,
    kBoneLeftHandItemSlot,
    kBoneTorch,
    kBoneLeftThigh,
    kBoneLeftCalf,
    kBoneLeftFoot,
    kBoneRightThigh,
    kBoneRightCalf,
    kBoneRightFoot,
    kBodyBoneCount,
};

// The full body, standing at the origin, z up, facing +y; the head at height
// 130, the feet at 2. Its root node is "Player3rdPersonRoot".
inline constexpr RigBone kBodyBones[kBodyBoneCount] = {
    /* 0 */ {"Bip01", -1, {0, 0, 60}, kUnturned}, // at the pelvis, as a biped's root bone
    /* 1 */ {"Bip01 Pelvis", 0, {0, 0, 0}, kUnturned},
    /* 2 */ {"Bip01 Spine", 1, {0, 0, 20}, kUnturned},
    /* 3 */ {"Bip01 Neck", 2, {0, 0, 40}, kUnturned},
    /* 4 */ {"Bip01 Head", 3, {0, 0, 10}, kHeadFrame},
    /* 5 */ {"Bip01 L Clavicle", 3, {-6, 0, -2}, kUnturned},
    /* 6 */ {"Bip01 L UpperArm", 5, {-10, 0, 0}, kUnturned},
    /* 7 */ {"Bip01 L Hand", 6, {0, 8, -40}, kUnturned},
    /* 8 */ {"Bip01 R Clavicle", 3, {6, 0, -2}, kUnturned},
    /* 9 */ {"Bip01 R UpperArm", 8, {10, 0, 0}, kUnturned},
    /* 10 */ {"Bip01 R Hand", 9, {0, 8, -40}, kUnturned},
    /* 11 */ {"magicNode", 10, {4, 6, 0}, kUnturned},
    /* 12 */ {"ShieldSlot", 6, {-2, 0, -20}, kUnturned}, // the body record's ShieldHolder
    /* 13 */ {"Shield", 12, {0, 0, 0}, kUnturned},
    /* 14 */ {"LeftHandItemSlot", 7, {0, 2, 0}, kUnturned}, // the body record's LeftHandHolder
    /* 15 */ {"Torch", 14, {0, 0, 0}, kUnturned},
    /* 16 */ {"Bip01 L Thigh", 1, {-8, 0, 0}, kUnturned},
    /* 17 */ {"Bip01 L Calf", 16, {0, 0, -28}, kUnturned},
    /* 18 */ {"Bip01 L Foot", 17, {0, 0, -30}, kUnturned},
    /* 19 */ {"Bip01 R Thigh", 1, {8, 0, 0}, kUnturned},
    /* 20 */ {"Bip01 R Calf", 19, {0, 0, -28}, kUnturned},
    /* 21 */ {"Bip01 R Foot", 20, {0, 0, -30}, kUnturned},
};

// The game's first-person arms; its root node is "Player1stPersonRoot".
inline constexpr RigBone kFirstPersonBones[] = {
    /* 0 */ {"Bip01", -1, {0, 0, 0}, kUnturned},
    /* 1 */ {"Bip01 Spine", 0, {0, 0, 100}, kUnturned},
    /* 2 */ {"magicNode", 1, {0, 30, 20}, kUnturned},
};

// The bones of the full body that carry a collision object, as a biped's
// ragdoll has them.
inline constexpr BodyBone kCollidingBodyBones[] = {
    kBoneBip01,      kBonePelvis,       kBoneSpine,         kBoneNeck,
    kBoneHead,       kBoneLeftUpperArm, kBoneRightUpperArm, kBoneLeftThigh,
    kBoneRightThigh, kBoneLeftCalf,     kBoneRightCalf,
};

inline constexpr const char* kBodyRootName = "Player3rdPersonRoot";
inline constexpr const char* kFirstPersonRootName = "Player1stPersonRoot";
// The game's camera starts at the eye point of the standing body.
inline constexpr Vector3 kCameraStart = {0, 14, 136};

} // namespace sim
