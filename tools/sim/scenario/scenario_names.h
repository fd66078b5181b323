// The names a scenario can set and expect, and the checks of their values,
// all without a game: a scenario is checked whole before anything runs.
#pragma once

#include <string>

#include "tools/sim/scenario/json_values.h"

namespace simtool {

// What a settable name holds.
enum class ValueId {
    ThirdPerson,
    LookPitch,
    Mount,
    RestoreBlockA,
    RestoreBlockB,
    FreeCamera,
    IsDead,
    IsVampireFeeding,
    QueryShadowState,
    QueryCodedState, // .<code>
    KnockoutState,
    SitState,
    ActionState,
    WeaponDrawn,
    ByteAfterWeaponDrawn,
    LeftHandItemQuery,
    ShieldQuery,
    GetFlagWord,
    EquippedWeapon,
    BodyIdleAbsent,
    FirstPersonIdleAbsent,
    BodySequence, // .<slot>
    CameraDetachedByte,
    ChaseCameraDistance,
    MenuGateFloat,
    MenuModeActive,
    MenuOpen1009,
    MenuOpen1034,
    Missing,
    NodeField,     // nodes.<node>.<field>
    InterfaceCall, // interface.<call of Lumenfold's table>
};

// A settable name taken apart: what it holds, and its index (a code, a slot)
// or its node and field.
struct SetTarget {
    ValueId id;
    long index = 0;
    std::string node;
    std::string field;
};

// Whether `name` can be set to `value`; on a problem, a message naming what
// the value must be. `target` receives the name taken apart.
bool CheckSet(const std::string& name, const json& value, SetTarget* target, std::string* err);
// Whether `name` can be expected with `value` (a number, a boolean, a text, or
// a vector or matrix of numbers); on a problem, a message.
bool CheckExpect(const std::string& name, const json& value, std::string* err);

// The names of the interface a scenario can expect: bodyView.on,
// bodyView.state, bodyView.cameraPlaced, bodyView.eye, bodyView.holders (as
// GetBodyView gives them when asked), interface.result (the last call's
// result, by its name), interface.changeMessages (the step's messages of a
// change), interface.toldState (the state the last one told).
bool IsInterfaceName(const std::string& name);

// Whether a node name is one of the rig's (see docs/scenarios.md).
bool IsRigNodeName(const std::string& node);
// Splits "nodes.<node>.<field>" (node names may hold dots only before the
// last one).
bool SplitNodeName(const std::string& name, std::string* node, std::string* field);

} // namespace simtool
