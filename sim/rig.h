// The standard rig of the simulated game as a table: every bone of the two
// player skeletons with its parent and its place relative to the parent.
// The simulated game builds its skeletons from it, and the simulator's
// scenario reader checks node names against it without building a game.
#pragma once

#include "body/node_math.h"

namespace sim {

struct RigBone {
    const char* name;
    int parent; // index into the same table; -1: hangs under the skeleton's root
    Vector3 at; // local translation
};

// The full body, standing at the origin, z up, facing +y; the head at height
// 130. Its root node is "Player3rdPersonRoot".
inline constexpr RigBone kBodyBones[] = {
    /* 0 */ {"Bip01", -1, {0, 0, 0}},
    /* 1 */ {"Bip01 Pelvis", 0, {0, 0, 60}},
    /* 2 */ {"Bip01 Spine", 1, {0, 0, 20}},
    /* 3 */ {"Bip01 Neck", 2, {0, 0, 40}},
    /* 4 */ {"Bip01 Head", 3, {0, 0, 10}},
    /* 5 */ {"Bip01 L Clavicle", 3, {-6, 0, -2}},
    /* 6 */ {"Bip01 L UpperArm", 5, {-10, 0, 0}},
    /* 7 */ {"Bip01 L Hand", 6, {0, 8, -40}},
    /* 8 */ {"Bip01 R Clavicle", 3, {6, 0, -2}},
    /* 9 */ {"Bip01 R UpperArm", 8, {10, 0, 0}},
    /* 10 */ {"Bip01 R Hand", 9, {0, 8, -40}},
    /* 11 */ {"magicNode", 10, {4, 6, 0}},
    /* 12 */ {"ShieldSlot", 6, {-2, 0, -20}}, // the body record's ShieldHolder
    /* 13 */ {"Shield", 12, {0, 0, 0}},
    /* 14 */ {"LeftHandItemSlot", 7, {0, 2, 0}}, // the body record's LeftHandHolder
    /* 15 */ {"Torch", 14, {0, 0, 0}},
};

// The game's first-person arms; its root node is "Player1stPersonRoot".
inline constexpr RigBone kFirstPersonBones[] = {
    /* 0 */ {"Bip01", -1, {0, 0, 0}},
    /* 1 */ {"Bip01 Spine", 0, {0, 0, 100}},
    /* 2 */ {"magicNode", 1, {0, 30, 20}},
};

inline constexpr const char* kBodyRootName = "Player3rdPersonRoot";
inline constexpr const char* kFirstPersonRootName = "Player1stPersonRoot";
// The game's camera starts at the eye point of the standing body.
inline constexpr Vector3 kCameraStart = {0, 14, 136};

} // namespace sim
