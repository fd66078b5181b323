// The names a scenario can set and expect, and the checks of their values,
// all without a game: a scenario is checked whole before anything runs.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace simtool {

using json = nlohmann::json;

// What a settable name holds.
enum class ValueId {
    ThirdPerson,
    LookPitch,
    Mount,
    RestoreBlockA,
    RestoreBlockB,
    IsDead,
    IsVampireFeeding,
    QueryShadowState,
    QueryCodedState, // .<code>
    KnockoutState,
    SitState,
    ActionState,
    WeaponDrawn,
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
    NodeField, // nodes.<node>.<field>
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

// Whether a node name is one of the rig's (see docs/scenarios.md).
bool IsRigNodeName(const std::string& node);
// Splits "nodes.<node>.<field>" (node names may hold dots only before the
// last one).
bool SplitNodeName(const std::string& name, std::string* node, std::string* field);

// A value as a message quotes it: a short number or text, or what it is.
std::string Describe(const json& value);
// A key of the file as a message names its place: control characters
// escaped, cut to about 60 characters, without quotes.
std::string KeyForPlace(const std::string& key);
// A number a float can hold (finite after narrowing); false otherwise.
bool ToFloat(const json& v, float* out, std::string* err);
// An integer (or a boolean, as 0 or 1) in lo..hi.
bool ToInteger(const json& v, long long lo, long long hi, long long* out, std::string* err);

} // namespace simtool
