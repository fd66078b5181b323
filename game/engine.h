// The game's virtual operations, routines and globals, called and read at
// their fixed slots and addresses. Every slot number lives here once; the
// simulated game fills its tables of virtual operations from the same names.
#pragma once

#include <stdint.h>

#include <type_traits>

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
// (bool) -> byte. The game's routine takes one argument and pops it; the
// plug-in passes kIsDeadArgument.
constexpr int IsDead = 102;
constexpr int QueryCodedState = 161;  // (uint32 code) -> uint32; the game reads an actor value
constexpr int IsVampireFeeding = 214; // () -> byte
constexpr int QueryShadowState = 224; // () -> uint32; the game gives the ridden horse (0: none)
} // namespace PlayerSlot
namespace ProcessSlot {
constexpr int LeftHandItemQuery = 60; // (uint32 1) -> uint32
constexpr int ShieldQuery = 62;       // (uint32 1) -> uint32
constexpr int GetFlagWord = 176;      // () -> uint32
} // namespace ProcessSlot
namespace SceneNodeSlot {
constexpr int FindChildByName = 22; // (const char*) -> SceneNode*
// () -> unused. The game's node transform update: the node's world fields
// recomputed from its local ones and its parent's world fields.
constexpr int NodeVirtual29 = 29;
} // namespace SceneNodeSlot
namespace DrawObjectSlot {
constexpr int Draw = LF_DRAW_OBJECT_DRAW_SLOT; // () -> byte
} // namespace DrawObjectSlot

// Codes asked of QueryCodedState, the menus asked of IsMenuOpen and the
// arguments of the game's queries. The three codes are actor values of the
// game: 46 chameleon, 47 invisibility, 48 paralysis.
constexpr uint32_t kCodedStateScenePassA = 46;
constexpr uint32_t kCodedStateScenePassB = 47;
constexpr uint32_t kCodedStateDoubleDraw = 48;
constexpr uint32_t kMenuCodeFirst = 1009;
constexpr uint32_t kMenuCodeSecond = 1034;
constexpr uint32_t kHandQueryArgument = 1;
constexpr uint32_t kIsDeadArgument = 0;
constexpr uint32_t kProcessFlagBit400 = 0x400;
constexpr uint32_t kProcessFlagBit800 = 0x800;

// The call glue (game/game_call.S): the routine at `routine` called with
// `receiver` in ECX and the arguments pushed right to left, the plug-in's
// stack pointer put back afterwards whatever the routine popped. EAX whole.
extern "C" {
uint32_t GameCall0(const void* routine, const void* receiver);
uint32_t GameCall1(const void* routine, const void* receiver, uint32_t a0);
uint32_t GameCall2(const void* routine, const void* receiver, uint32_t a0, uint32_t a1);
}

template <typename T> inline uint32_t ToCallWord(T value) {
    if constexpr (std::is_pointer_v<T>) {
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
    } else {
        return static_cast<uint32_t>(value);
    }
}
// A result as its type reads it: a byte is AL alone.
template <typename R> inline R FromCallWord(uint32_t eax) {
    if constexpr (std::is_void_v<R>) {
        return;
    } else if constexpr (std::is_pointer_v<R>) {
        return reinterpret_cast<R>(static_cast<uintptr_t>(eax));
    } else {
        return static_cast<R>(eax);
    }
}

// Calls the game's routine at `routine` (thiscall with `receiver`, or cdecl
// with a null one) through the call glue.
template <typename R, typename... A>
inline R CallGame(const void* routine, const void* receiver, A... args) {
    static_assert(sizeof...(A) <= 2, "the call glue passes at most two arguments");
    uint32_t eax;
    if constexpr (sizeof...(A) == 0) {
        eax = GameCall0(routine, receiver);
    } else if constexpr (sizeof...(A) == 1) {
        eax = GameCall1(routine, receiver, ToCallWord(args)...);
    } else {
        eax = GameCall2(routine, receiver, ToCallWord(args)...);
    }
    return FromCallWord<R>(eax);
}

// Calls virtual operation `slot` of `object`, with the object as receiver.
template <typename R, typename... A> inline R CallVirtual(const void* object, int slot, A... args) {
    void* const* table = *static_cast<void* const* const*>(object);
    return CallGame<R>(table[slot], object, args...);
}

// --- the game's operations as the game has them -------------------------------
namespace game {
inline uint8_t IsDead(PlayerObject* p) {
    return CallVirtual<uint8_t>(p, PlayerSlot::IsDead, kIsDeadArgument);
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

inline const void* GameRoutine(uint32_t address) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(address));
}
inline void UpdateAnimationRecord(AnimationRecord* r) {
    CallGame<void>(GameRoutine(LF_ADDR_UPDATE_ANIMATION_RECORD), r);
}
inline uint8_t IsIdleAnimAbsent(AnimationRecord* r) {
    return CallGame<uint8_t>(GameRoutine(LF_ADDR_IS_IDLE_ANIM_ABSENT), r);
}
inline void PlayerIdleUpdate(PlayerObject* p) {
    CallGame<void>(GameRoutine(LF_ADDR_PLAYER_IDLE_UPDATE), p);
}
// cdecl: no receiver.
inline void* GetInterfaceObject() {
    return CallGame<void*>(GameRoutine(LF_ADDR_GET_INTERFACE_OBJECT), nullptr, 0u, 1u);
}
// A plain function of the game that ignores ECX; called as the others are.
inline uint8_t IsMenuModeActive(void* iface) {
    return CallGame<uint8_t>(GameRoutine(LF_ADDR_IS_MENU_MODE_ACTIVE), iface);
}
// Whether menu `code` has the focus.
inline uint8_t IsMenuOpen(void* iface, uint32_t code) {
    return CallGame<uint8_t>(GameRoutine(LF_ADDR_IS_MENU_OPEN), iface, code);
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
