// The game's virtual operations, routines and globals, called and read at
// their fixed slots and addresses. Every slot number lives here once; the
// simulated game fills its tables of virtual operations from the same names.
#pragma once

#include <stdint.h>

#include "game/addresses.h"
#include "game/layout.h"

#define LF_THISCALL __attribute__((thiscall))
#define LF_CDECL __attribute__((cdecl))

// Slots of the virtual operations the plug-in calls.
namespace PlayerSlot {
constexpr int IsDead = 102;           // () -> byte
constexpr int QueryCodedState = 161;  // (uint32 code) -> uint32
constexpr int IsVampireFeeding = 214; // () -> byte
constexpr int QueryShadowState = 224; // () -> uint32
} // namespace PlayerSlot
namespace ProcessSlot {
constexpr int LeftHandItemQuery = 60; // (uint32 1) -> uint32
constexpr int ShieldQuery = 62;       // (uint32 1) -> uint32
constexpr int GetFlagWord = 176;      // () -> uint32
} // namespace ProcessSlot
namespace SceneNodeSlot {
constexpr int FindChildByName = 22; // (const char*) -> SceneNode*
constexpr int NodeVirtual29 = 29;   // () -> unused
} // namespace SceneNodeSlot
namespace DrawObjectSlot {
constexpr int Draw = LF_DRAW_OBJECT_DRAW_SLOT; // () -> byte
} // namespace DrawObjectSlot

// Codes asked of QueryCodedState, the menus asked of IsMenuOpen and the
// arguments of the game's queries.
constexpr uint32_t kCodedStateScenePassA = 46;
constexpr uint32_t kCodedStateScenePassB = 47;
constexpr uint32_t kCodedStateDoubleDraw = 48;
constexpr uint32_t kMenuCodeFirst = 1009;
constexpr uint32_t kMenuCodeSecond = 1034;
constexpr uint32_t kHandQueryArgument = 1;
constexpr uint32_t kProcessFlagBit400 = 0x400;
constexpr uint32_t kProcessFlagBit800 = 0x800;

// Calls virtual operation `slot` of `object`, with the object as receiver.
template <typename R, typename... A> inline R CallVirtual(const void* object, int slot, A... args) {
    using Fn = R(LF_THISCALL*)(const void*, A...);
    void* const* table = *static_cast<void* const* const*>(object);
    return reinterpret_cast<Fn>(table[slot])(object, args...);
}

// --- virtual operations -----------------------------------------------------
inline uint8_t IsDead(PlayerObject* p) {
    return CallVirtual<uint8_t>(p, PlayerSlot::IsDead);
}
inline uint32_t QueryCodedState(PlayerObject* p, uint32_t code) {
    return CallVirtual<uint32_t>(p, PlayerSlot::QueryCodedState, code);
}
inline uint8_t IsVampireFeeding(PlayerObject* p) {
    return CallVirtual<uint8_t>(p, PlayerSlot::IsVampireFeeding);
}
inline uint32_t QueryShadowState(PlayerObject* p) {
    return CallVirtual<uint32_t>(p, PlayerSlot::QueryShadowState);
}
inline uint32_t LeftHandItemQuery(ProcessObject* p) {
    return CallVirtual<uint32_t>(p, ProcessSlot::LeftHandItemQuery, kHandQueryArgument);
}
inline uint32_t ShieldQuery(ProcessObject* p) {
    return CallVirtual<uint32_t>(p, ProcessSlot::ShieldQuery, kHandQueryArgument);
}
inline uint32_t GetFlagWord(ProcessObject* p) {
    return CallVirtual<uint32_t>(p, ProcessSlot::GetFlagWord);
}
inline SceneNode* FindChildByName(SceneNode* n, const char* name) {
    return CallVirtual<SceneNode*>(n, SceneNodeSlot::FindChildByName, name);
}
inline void NodeVirtual29(SceneNode* n) {
    CallVirtual<void>(n, SceneNodeSlot::NodeVirtual29);
}
inline uint8_t Draw(DrawObject* d) {
    return CallVirtual<uint8_t>(d, DrawObjectSlot::Draw);
}

// --- routines at fixed addresses -------------------------------------------
template <typename Fn> inline Fn GameRoutine(uint32_t address) {
    return reinterpret_cast<Fn>(address);
}
inline void UpdateAnimationRecord(AnimationRecord* r) {
    GameRoutine<void(LF_THISCALL*)(AnimationRecord*)>(LF_ADDR_UPDATE_ANIMATION_RECORD)(r);
}
inline uint8_t IsIdleAnimAbsent(AnimationRecord* r) {
    return GameRoutine<uint8_t(LF_THISCALL*)(AnimationRecord*)>(LF_ADDR_IS_IDLE_ANIM_ABSENT)(r);
}
inline void PlayerIdleUpdate(PlayerObject* p) {
    GameRoutine<void(LF_THISCALL*)(PlayerObject*)>(LF_ADDR_PLAYER_IDLE_UPDATE)(p);
}
inline void* GetInterfaceObject() {
    return GameRoutine<void*(LF_CDECL*)(uint32_t, uint32_t)>(LF_ADDR_GET_INTERFACE_OBJECT)(0, 1);
}
inline uint8_t IsMenuModeActive(void* iface) {
    return GameRoutine<uint8_t(LF_THISCALL*)(void*)>(LF_ADDR_IS_MENU_MODE_ACTIVE)(iface);
}
inline uint8_t IsMenuOpen(void* iface, uint32_t code) {
    return GameRoutine<uint8_t(LF_THISCALL*)(void*, uint32_t)>(LF_ADDR_IS_MENU_OPEN)(iface, code);
}

// --- globals, read afresh at every use -------------------------------------
template <typename T> inline T& GameGlobal(uint32_t address) {
    return *reinterpret_cast<T*>(address);
}
inline PlayerObject* PlayerPointer() {
    return GameGlobal<PlayerObject*>(LF_ADDR_PLAYER_POINTER);
}
inline uint8_t CameraDetachedByte() {
    return GameGlobal<uint8_t>(LF_ADDR_CAMERA_DETACHED_BYTE);
}
inline SceneNode* CameraNodePointer() {
    return GameGlobal<SceneNode*>(LF_ADDR_CAMERA_NODE_POINTER);
}
inline float& ChaseCameraDistance() {
    return GameGlobal<float>(LF_ADDR_CHASE_CAMERA_DISTANCE);
}
inline float MenuGateFloat() {
    return GameGlobal<float>(LF_ADDR_MENU_GATE_FLOAT);
}
