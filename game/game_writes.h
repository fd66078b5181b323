// Every field of the game's objects that the plug-in writes is written here:
// a node's Flags word, its local translation, rotation and scale, the body's
// "magicNode" world translation, the player's ThirdPerson byte and the chase
// camera distance. In the recording build each write is also noted.
#pragma once

#include "game/engine.h"
#include "game/logic_build.h"
#if defined(LF_RECORDING_BUILD)
#include "record/frame_recorder.h"
#endif

LF_LOGIC_BEGIN

inline void SetFlags(SceneNode* n, uint16_t flags) {
    n->Flags = flags;
    LF_RECORDING_NOTE(NoteWrite<kWriteFlags>(n));
}
inline void SetLocalTranslation(SceneNode* n, const Vector3& v) {
    n->LocalTranslation = v;
    LF_RECORDING_NOTE(NoteWrite<kWriteLocalTranslation>(n));
}
inline void SetLocalRotation(SceneNode* n, const Matrix3& m) {
    n->LocalRotation = m;
    LF_RECORDING_NOTE(NoteWrite<kWriteLocalRotation>(n));
}
inline void SetLocalScale(SceneNode* n, float scale) {
    n->LocalScale = scale;
    LF_RECORDING_NOTE(NoteWrite<kWriteLocalScale>(n));
}
inline void SetWorldTranslation(SceneNode* n, const Vector3& v) {
    n->WorldTranslation = v;
    LF_RECORDING_NOTE(NoteWrite<kWriteWorldTranslation>(n));
}
inline void SetThirdPerson(PlayerObject* p, uint8_t value) {
    p->ThirdPerson = value;
    LF_RECORDING_NOTE(NoteWrite<kWriteThirdPerson>(p));
}
inline void SetChaseCameraDistance(float distance) {
    ChaseCameraDistance() = distance;
    LF_RECORDING_NOTE(NoteWrite<kWriteChaseDistance>(nullptr));
}

LF_LOGIC_END
