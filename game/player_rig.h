// The player's objects as the view logic reaches them, afresh at every call,
// and the small notions every rule shares: first person, mounted, shown.
#pragma once

#include "game/engine.h"

struct PlayerRig {
    PlayerObject* player;
    ProcessObject* process;
    SceneNode* body;           // BodyRoot: the full-body skeleton
    SceneNode* firstPerson;    // FirstPersonRoot: the game's first-person arms
    AnimationRecord* bodyAnim; // BodyAnim of the process
    AnimationRecord* firstPersonAnim;
};

// Reads the player's objects through PlayerPointer. False when any of them is
// missing: the view logic then leaves the frame alone.
inline bool ReadPlayerRig(PlayerRig* rig) {
    PlayerObject* p = PlayerPointer();
    if (p == nullptr || p->Process == nullptr) {
        return false;
    }
    rig->player = p;
    rig->process = p->Process;
    rig->body = p->BodyRoot;
    rig->firstPerson = p->FirstPersonRoot;
    rig->bodyAnim = p->Process->BodyAnim;
    rig->firstPersonAnim = p->FirstPersonAnim;
    return rig->body != nullptr && rig->firstPerson != nullptr && rig->bodyAnim != nullptr &&
           rig->firstPersonAnim != nullptr;
}

// First person: the player's ThirdPerson byte and the game's camera-detached
// byte are both 0.
inline bool IsFirstPerson(const PlayerObject* p) {
    return p->ThirdPerson == 0 && CameraDetachedByte() == 0;
}
inline bool IsMounted(const PlayerObject* p) {
    return p->Mount != nullptr;
}

// Shown and hidden: bit 0 of a node's Flags, no other bit touched.
inline void HideNode(SceneNode* n) {
    n->Flags = static_cast<uint16_t>(n->Flags | kNodeHiddenBit);
}
inline void ShowNode(SceneNode* n) {
    n->Flags = static_cast<uint16_t>(n->Flags & ~kNodeHiddenBit);
}
inline void SetNodeHidden(SceneNode* n, bool hidden) {
    if (hidden) {
        HideNode(n);
    } else {
        ShowNode(n);
    }
}
inline bool IsNodeShown(const SceneNode* n) {
    return (n->Flags & kNodeHiddenBit) == 0;
}
