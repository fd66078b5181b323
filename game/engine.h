// The game's virtual operations, routines and globals, called and read at
// their fixed slots and addresses. Every slot number lives here once; the
// simulated game fills its tables of virtual operations from the same names.
#pragma once

#include <stdint.h>

#include "game/addresses.h"
#include "game/layout.h"
#include "game/logic_build.h"
#if defined(LF_RECORDING_BUILD)
#include "record/frame_recorder.h"
#endif

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

// --- the game's operations as the game has them -------------------------------
namespace game {
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
} // namespace game

// --- the same as the logic calls them: in the recording build each call is
// noted with its answer (a query) or with what it changed (the others) ---------
LF_LOGIC_BEGIN

#if defined(LF_RECORDING_BUILD)
#define LF_ANSWER(type, call, receiver, argument, expression)                                      \
    static_cast<type>(NoteAnswer(call, receiver, argument, static_cast<uint32_t>(expression)))
#define LF_CHANGE(call, receiver, statement)                                                       \
    do {                                                                                           \
        NoteCall(call, receiver);                                                                  \
        statement;                                                                                 \
        NoteCallReturned();                                                                        \
    } while (0)
#else
#define LF_ANSWER(type, call, receiver, argument, expression) (expression)
#define LF_CHANGE(call, receiver, statement) statement
#endif

inline uint8_t IsDead(PlayerObject* p) {
    return LF_ANSWER(uint8_t, kCallIsDead, p, 0, game::IsDead(p));
}
inline uint32_t QueryCodedState(PlayerObject* p, uint32_t code) {
    return LF_ANSWER(uint32_t, kCallQueryCodedState, p, code, game::QueryCodedState(p, code));
}
inline uint8_t IsVampireFeeding(PlayerObject* p) {
    return LF_ANSWER(uint8_t, kCallIsVampireFeeding, p, 0, game::IsVampireFeeding(p));
}
inline uint32_t QueryShadowState(PlayerObject* p) {
    return LF_ANSWER(uint32_t, kCallQueryShadowState, p, 0, game::QueryShadowState(p));
}
inline uint32_t LeftHandItemQuery(ProcessObject* p) {
    return LF_ANSWER(uint32_t, kCallLeftHandItemQuery, p, kHandQueryArgument,
                     game::LeftHandItemQuery(p));
}
inline uint32_t ShieldQuery(ProcessObject* p) {
    return LF_ANSWER(uint32_t, kCallShieldQuery, p, kHandQueryArgument, game::ShieldQuery(p));
}
inline uint32_t GetFlagWord(ProcessObject* p) {
    return LF_ANSWER(uint32_t, kCallGetFlagWord, p, 0, game::GetFlagWord(p));
}
inline SceneNode* FindChildByName(SceneNode* n, const char* name) {
#if defined(LF_RECORDING_BUILD)
    return NoteFound(n, name, game::FindChildByName(n, name));
#else
    return game::FindChildByName(n, name);
#endif
}
inline void NodeVirtual29(SceneNode* n) {
    LF_CHANGE(kCallNodeVirtual29, n, game::NodeVirtual29(n));
}
inline uint8_t Draw(DrawObject* d) {
    return LF_ANSWER(uint8_t, kCallDraw, d, 0, game::Draw(d));
}
inline void UpdateAnimationRecord(AnimationRecord* r) {
    LF_CHANGE(kCallUpdateAnimationRecord, r, game::UpdateAnimationRecord(r));
}
inline uint8_t IsIdleAnimAbsent(AnimationRecord* r) {
    return LF_ANSWER(uint8_t, kCallIsIdleAnimAbsent, r, 0, game::IsIdleAnimAbsent(r));
}
inline void PlayerIdleUpdate(PlayerObject* p) {
    LF_CHANGE(kCallPlayerIdleUpdate, p, game::PlayerIdleUpdate(p));
}
inline void* GetInterfaceObject() {
#if defined(LF_RECORDING_BUILD)
    return reinterpret_cast<void*>(static_cast<uintptr_t>(NoteAnswer(
        kCallGetInterfaceObject, nullptr, 0,
        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(game::GetInterfaceObject())))));
#else
    return game::GetInterfaceObject();
#endif
}
inline uint8_t IsMenuModeActive(void* iface) {
    return LF_ANSWER(uint8_t, kCallIsMenuModeActive, iface, 0, game::IsMenuModeActive(iface));
}
inline uint8_t IsMenuOpen(void* iface, uint32_t code) {
    return LF_ANSWER(uint8_t, kCallIsMenuOpen, iface, code, game::IsMenuOpen(iface, code));
}

#undef LF_ANSWER
#undef LF_CHANGE

LF_LOGIC_END

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
