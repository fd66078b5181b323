// The game's objects as the plug-in reads and writes them, laid out at the
// offsets of the game executable 1.2.0.416 (32-bit only).
//
// Each object is a table of (offset, type, name) rows. The rows build a union
// of one-field structures, each padded to its offset, so every offset is
// written once; a static_assert per row then proves that the compiler put the
// field exactly there (a misaligned or mistyped row fails to build).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "body/node_math.h"
#include "game/addresses.h"

static_assert(sizeof(void*) == 4, "the game's layouts exist only in 32-bit builds");

struct SceneNode;
struct AnimationRecord;
struct AnimSequence;
struct AnimGroupInfo;
struct ProcessObject;
struct WeaponEntry;
struct ItemForm;

#define LF_LAYOUT_FIELD(offset, type, name)                                                        \
    struct {                                                                                       \
        uint8_t name##Gap[offset];                                                                 \
        type name;                                                                                 \
    };
#define LF_LAYOUT_CHECK(Struct, offset, type, name)                                                \
    static_assert(offsetof(Struct, name) == (offset), #Struct "." #name " is at " #offset);

// Declares struct Name with its table of virtual operations at +0 and the
// rows of Fields, then checks every row.
#define LF_GAME_OBJECT(Name, Fields)                                                               \
    struct Name {                                                                                  \
        union {                                                                                    \
            void** Vtable;                                                                         \
            Fields(LF_LAYOUT_FIELD)                                                                \
        };                                                                                         \
    };
using SequenceSlots = AnimSequence* [5];
using SceneNodeArray = SceneNode**;

// --- PlayerObject: the player, reached through PlayerPointer -------------
// FreeCamera: the game's byte of the free-flying camera, while which its
// control routine skips the camera update. The logic never reads it; the
// simulated game runs its frame by it.
#define LF_PLAYER_OBJECT_FIELDS(X)                                                                 \
    X(0x020, float, LookPitch)                                                                     \
    X(0x03C, SceneNode*, BodyRoot)                                                                 \
    X(LF_PLAYER_PROCESS_OFFSET, ProcessObject*, Process)                                           \
    X(0x0D4, void*, Mount)                                                                         \
    X(0x588, uint8_t, ThirdPerson)                                                                 \
    X(0x5CC, AnimationRecord*, FirstPersonAnim)                                                    \
    X(0x5D0, SceneNode*, FirstPersonRoot)                                                          \
    X(0x71C, uint8_t, RestoreBlockA)                                                               \
    X(0x71D, uint8_t, RestoreBlockB)                                                               \
    X(0x748, uint8_t, FreeCamera)

// --- ProcessObject: the player's process ------------------------------------
// WeaponDrawn: taken as the weapon-out byte. The game's own headers leave
// +0x114 unnamed, and an older table of the process's operations puts the
// combat-mode byte there and the weapon-out byte at +0x115: not settled
// (docs/game-headers.md). ByteAfterWeaponDrawn is that byte at +0x115: the
// logic never reads it; the recording notes it beside WeaponDrawn, so that a
// player's recording of drawing a weapon shows which of the two follows it.
#define LF_PROCESS_OBJECT_FIELDS(X)                                                                \
    X(0x0E4, WeaponEntry*, EquippedWeapon)                                                         \
    X(0x114, uint8_t, WeaponDrawn)                                                                 \
    X(0x115, uint8_t, ByteAfterWeaponDrawn)                                                        \
    X(0x11C, int8_t, KnockoutState)                                                                \
    X(0x11D, uint8_t, SitState)                                                                    \
    X(LF_PROCESS_BODY_ANIM_OFFSET, AnimationRecord*, BodyAnim)                                     \
    X(0x1F4, int16_t, ActionState)

// --- AnimationRecord: animation state of one skeleton -----------------------
#define LF_ANIMATION_RECORD_FIELDS(X)                                                              \
    X(0x028, SceneNode*, ShieldHolder)                                                             \
    X(0x02C, SceneNode*, LeftHandHolder)                                                           \
    X(0x034, SceneNode*, HeadNode)                                                                 \
    X(0x0A0, SequenceSlots, Sequences)

// --- AnimSequence: one active sequence --------------------------------------
#define LF_ANIM_SEQUENCE_FIELDS(X)                                                                 \
    X(0x008, const char*, FileName)                                                                \
    X(0x068, AnimGroupInfo*, GroupInfo)

// --- AnimGroupInfo -----------------------------------------------------------
#define LF_ANIM_GROUP_INFO_FIELDS(X) X(0x008, uint8_t, GroupId)

// --- WeaponEntry and ItemForm: the equipped weapon --------------------------
#define LF_WEAPON_ENTRY_FIELDS(X) X(0x008, ItemForm*, Form)
#define LF_ITEM_FORM_FIELDS(X)                                                                     \
    X(0x004, uint8_t, FormType)                                                                    \
    X(0x090, int32_t, WeaponKind)

// --- SceneNode: a node of the scene graph -----------------------------------
// CollisionObject: the node's collision object, or null. The logic never
// reads it: the game's world-transform update of the node syncs it with the
// node, and the glue of the extra-update branch decides whether it does.
#define LF_SCENE_NODE_FIELDS(X)                                                                    \
    X(0x018, uint16_t, Flags)                                                                      \
    X(0x01C, SceneNode*, Parent)                                                                   \
    X(0x030, Matrix3, LocalRotation)                                                               \
    X(0x054, Vector3, LocalTranslation)                                                            \
    X(0x060, float, LocalScale)                                                                    \
    X(0x064, Matrix3, WorldRotation)                                                               \
    X(0x088, Vector3, WorldTranslation)                                                            \
    X(0x094, float, WorldScale)                                                                    \
    X(0x0A8, void*, CollisionObject)                                                               \
    X(0x0B0, SceneNodeArray, Children)                                                             \
    X(0x0B8, uint16_t, ChildCount)

// --- DrawObject: what the patched draw sites hand over ----------------------
#define LF_DRAW_OBJECT_FIELDS(X) X(LF_DRAW_OBJECT_OWNER_OFFSET, void*, Owner)

LF_GAME_OBJECT(PlayerObject, LF_PLAYER_OBJECT_FIELDS)
LF_GAME_OBJECT(ProcessObject, LF_PROCESS_OBJECT_FIELDS)
LF_GAME_OBJECT(AnimationRecord, LF_ANIMATION_RECORD_FIELDS)
LF_GAME_OBJECT(AnimSequence, LF_ANIM_SEQUENCE_FIELDS)
LF_GAME_OBJECT(AnimGroupInfo, LF_ANIM_GROUP_INFO_FIELDS)
LF_GAME_OBJECT(WeaponEntry, LF_WEAPON_ENTRY_FIELDS)
LF_GAME_OBJECT(ItemForm, LF_ITEM_FORM_FIELDS)
LF_GAME_OBJECT(SceneNode, LF_SCENE_NODE_FIELDS)
LF_GAME_OBJECT(DrawObject, LF_DRAW_OBJECT_FIELDS)

#define LF_CHECKS_FOR(Name, Fields)                                                                \
    static_assert(offsetof(Name, Vtable) == 0, #Name " starts with its table");                    \
    Fields(LF_CHECK_ROW_OF_##Name)

#define LF_CHECK_ROW_OF_PlayerObject(o, t, n) LF_LAYOUT_CHECK(PlayerObject, o, t, n)
#define LF_CHECK_ROW_OF_ProcessObject(o, t, n) LF_LAYOUT_CHECK(ProcessObject, o, t, n)
#define LF_CHECK_ROW_OF_AnimationRecord(o, t, n) LF_LAYOUT_CHECK(AnimationRecord, o, t, n)
#define LF_CHECK_ROW_OF_AnimSequence(o, t, n) LF_LAYOUT_CHECK(AnimSequence, o, t, n)
#define LF_CHECK_ROW_OF_AnimGroupInfo(o, t, n) LF_LAYOUT_CHECK(AnimGroupInfo, o, t, n)
#define LF_CHECK_ROW_OF_WeaponEntry(o, t, n) LF_LAYOUT_CHECK(WeaponEntry, o, t, n)
#define LF_CHECK_ROW_OF_ItemForm(o, t, n) LF_LAYOUT_CHECK(ItemForm, o, t, n)
#define LF_CHECK_ROW_OF_SceneNode(o, t, n) LF_LAYOUT_CHECK(SceneNode, o, t, n)
#define LF_CHECK_ROW_OF_DrawObject(o, t, n) LF_LAYOUT_CHECK(DrawObject, o, t, n)

LF_CHECKS_FOR(PlayerObject, LF_PLAYER_OBJECT_FIELDS)
LF_CHECKS_FOR(ProcessObject, LF_PROCESS_OBJECT_FIELDS)
LF_CHECKS_FOR(AnimationRecord, LF_ANIMATION_RECORD_FIELDS)
LF_CHECKS_FOR(AnimSequence, LF_ANIM_SEQUENCE_FIELDS)
LF_CHECKS_FOR(AnimGroupInfo, LF_ANIM_GROUP_INFO_FIELDS)
LF_CHECKS_FOR(WeaponEntry, LF_WEAPON_ENTRY_FIELDS)
LF_CHECKS_FOR(ItemForm, LF_ITEM_FORM_FIELDS)
LF_CHECKS_FOR(SceneNode, LF_SCENE_NODE_FIELDS)
LF_CHECKS_FOR(DrawObject, LF_DRAW_OBJECT_FIELDS)

// Values of fields that the logic compares against.
constexpr uint8_t kFormTypeWeapon = 0x21;   // ItemForm.FormType of a weapon
constexpr uint16_t kNodeHiddenBit = 0x0001; // SceneNode.Flags bit 0: not drawn
