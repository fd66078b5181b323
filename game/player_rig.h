// The player's objects as the view logic reaches them, afresh at every call,
// and the small notions every rule shares: first person, mounted, shown.
#pragma once

#include "game/engine.h"
#include "game/game_writes.h"
#include "game/logic_build.h"

struct PlayerRig {
    PlayerObject* player;
    ProcessObject* process;
    SceneNode* body;           // BodyRoot: the full-body skeleton
    SceneNode* firstPerson;    // FirstPersonRoot: the game's first-person arms
    AnimationRecord* bodyAnim; // BodyAnim of the process
    AnimationRecord* firstPersonAnim;
};

LF_LOGIC_BEGIN

// Reads the player's objects through PlayerPointer. Any of them may be
// missing (null) for a while, for example while the game loads; every step
// of the view logic runs only when the objects it reads are there, and is
// skipped otherwise.
inline PlayerRig ReadPlayerRig() {
    PlayerRig r = {};
    r.player = PlayerPointer();
    if (r.player == nullptr) {
        return r;
    }
    r.process = r.player->Process;
    r.body = r.player->BodyRoot;
    r.firstPerson = r.player->FirstPersonRoot;
    r.bodyAnim = r.process != nullptr ? r.process->BodyAnim : nullptr;
    r.firstPersonAnim = r.player->FirstPersonAnim;
    return r;
}

// The game's update of a record, when the record is there.
inline void UpdateRecordIfPresent(AnimationRecord* record) {
    if (record != nullptr) {
        UpdateAnimationRecord(record);
    }
}

// The same, where the logic reads nothing of what the update changed before
// it next calls the game or returns to it (the recording then notes the
// changes where the logic next reads).
inline void UpdateRecordIfPresentUnread(AnimationRecord* record) {
    if (record != nullptr) {
        LF_RECORDING_NOTE(NoteNothingReadAfterNextCall());
        UpdateAnimationRecord(record);
    }
}

// The game's update of two records, each when it is there, with nothing of
// the game read between the two.
inline void UpdateRecordsIfPresent(AnimationRecord* first, AnimationRecord* second) {
    if (second != nullptr) {
        UpdateRecordIfPresentUnread(first);
        UpdateAnimationRecord(second);
    } else {
        UpdateRecordIfPresent(first);
    }
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
    SetFlags(n, static_cast<uint16_t>(n->Flags | kNodeHiddenBit));
}
inline void ShowNode(SceneNode* n) {
    SetFlags(n, static_cast<uint16_t>(n->Flags & ~kNodeHiddenBit));
}
// Puts bit 0 back as it was in `saved`; the other bits stay as the game has
// them now (it may have changed them meanwhile).
inline void RestoreHiddenBit(SceneNode* n, uint32_t saved) {
    SetFlags(n, static_cast<uint16_t>((n->Flags & ~kNodeHiddenBit) | (saved & kNodeHiddenBit)));
}
// Shows or hides a node that may be missing (then nothing happens).
inline void SetNodeHidden(SceneNode* n, bool hidden) {
    if (n == nullptr) {
        return;
    }
    if (hidden) {
        HideNode(n);
    } else {
        ShowNode(n);
    }
}
inline bool IsNodeShown(const SceneNode* n) {
    return (n->Flags & kNodeHiddenBit) == 0;
}

LF_LOGIC_END
