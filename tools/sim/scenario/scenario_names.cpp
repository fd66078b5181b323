#include "tools/sim/scenario/scenario_names.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <iterator>

#include "sim/rig.h"
#include "sim/sim_game.h"

namespace simtool {

namespace {

constexpr long long kWord = 0xFFFFFFFFLL;

enum class Kind { Integer, Float, Weapon, Sequence, Missing, Vector, Matrix, World, Tag, Tuning };

struct Settable {
    const char* name;
    ValueId id;
    Kind kind;
    long long lo, hi; // integers
};

const Settable kSettable[] = {
    {"player.ThirdPerson", ValueId::ThirdPerson, Kind::Integer, 0, 255},
    {"player.LookPitch", ValueId::LookPitch, Kind::Float, 0, 0},
    {"player.Mount", ValueId::Mount, Kind::Integer, 0, 1},
    {"player.RestoreBlockA", ValueId::RestoreBlockA, Kind::Integer, 0, 255},
    {"player.RestoreBlockB", ValueId::RestoreBlockB, Kind::Integer, 0, 255},
    {"player.FreeCamera", ValueId::FreeCamera, Kind::Integer, 0, 255},
    {"player.IsDead", ValueId::IsDead, Kind::Integer, 0, 255},
    {"player.IsVampireFeeding", ValueId::IsVampireFeeding, Kind::Integer, 0, 255},
    {"player.QueryShadowState", ValueId::QueryShadowState, Kind::Integer, 0, kWord},
    {"process.KnockoutState", ValueId::KnockoutState, Kind::Integer, -128, 127},
    {"process.SitState", ValueId::SitState, Kind::Integer, 0, 255},
    {"process.ActionState", ValueId::ActionState, Kind::Integer, -32768, 32767},
    {"process.WeaponDrawn", ValueId::WeaponDrawn, Kind::Integer, 0, 255},
    {"process.ByteAfterWeaponDrawn", ValueId::ByteAfterWeaponDrawn, Kind::Integer, 0, 255},
    {"process.LeftHandItemQuery", ValueId::LeftHandItemQuery, Kind::Integer, 0, kWord},
    {"process.ShieldQuery", ValueId::ShieldQuery, Kind::Integer, 0, kWord},
    {"process.GetFlagWord", ValueId::GetFlagWord, Kind::Integer, 0, kWord},
    {"process.EquippedWeapon", ValueId::EquippedWeapon, Kind::Weapon, 0, 0},
    {"BodyAnim.IsIdleAnimAbsent", ValueId::BodyIdleAbsent, Kind::Integer, 0, 255},
    {"FirstPersonAnim.IsIdleAnimAbsent", ValueId::FirstPersonIdleAbsent, Kind::Integer, 0, 255},
    {"CameraDetachedByte", ValueId::CameraDetachedByte, Kind::Integer, 0, 255},
    {"ChaseCameraDistance", ValueId::ChaseCameraDistance, Kind::Float, 0, 0},
    {"MenuGateFloat", ValueId::MenuGateFloat, Kind::Float, 0, 0},
    {"interface.IsMenuModeActive", ValueId::MenuModeActive, Kind::Integer, 0, 255},
    {"interface.IsMenuOpen.1009", ValueId::MenuOpen1009, Kind::Integer, 0, 255},
    {"interface.IsMenuOpen.1034", ValueId::MenuOpen1034, Kind::Integer, 0, 255},
    {"missing", ValueId::Missing, Kind::Missing, 0, 0},
    // Calls of Lumenfold's table, made where the value is applied.
    {"interface.HoldBodyViewOff", ValueId::InterfaceCall, Kind::Tag, 0, 0},
    {"interface.GiveBodyViewBack", ValueId::InterfaceCall, Kind::Tag, 0, 0},
    {"interface.SetTuning", ValueId::InterfaceCall, Kind::Tuning, 0, 0},
};

// The longest text a tag of a scenario's call may be (longer than the
// interface takes, to see it refused).
constexpr size_t kLongestScenarioTag = 200;

struct NodeField {
    const char* name;
    Kind kind;
};
const NodeField kSettableNodeFields[] = {
    {"LocalTranslation", Kind::Vector},
    {"LocalRotation", Kind::Matrix},
    {"LocalScale", Kind::Float},
    {"Flags", Kind::Integer},
    {"World", Kind::World},
};
const char* const kExpectableNodeFields[] = {
    "LocalTranslation", "WorldTranslation", "LocalRotation", "WorldRotation",
    "LocalScale",       "WorldScale",       "Flags",         "Hidden"};
const char* const kExpectable[] = {
    "SavedThirdPerson",
    "ForcedBodyMode",
    "ModAnimPending",
    "ModAnimCounter",
    "MountedInFirstPerson",
    "WatchedMenuOpen",
    "SavedChaseDistance",
    "HeadAnchorCountdown",
    "InExtraAnimUpdate",
    "InBodyPassUpdate",
    "BodyViewHeld",
    "HeldForcedMode",
    "player.ThirdPerson",
    "ChaseCameraDistance",
    "state",
    "draws",
    "eyeOnCamera",
    "view.BodyDrawn",
    "view.HeadDrawn",
    "view.LeftArmDrawn",
    "view.RightArmDrawn",
    "view.ShieldDrawn",
    "view.LeftHandItemDrawn",
    "view.ArmsDrawn",
    "view.CameraTranslation",
};

bool StartsWith(const std::string& s, const char* prefix) {
    return s.compare(0, strlen(prefix), prefix) == 0;
}

// A trailing number: "BodyAnim.Sequences.3" -> 3.
bool SplitIndex(const std::string& name, const char* prefix, long* index) {
    if (!StartsWith(name, prefix) || name.size() == strlen(prefix) ||
        name.size() > strlen(prefix) + 6) {
        return false;
    }
    char* end = nullptr;
    const std::string rest = name.substr(strlen(prefix));
    *index = strtol(rest.c_str(), &end, 10);
    return *end == '\0' && rest[0] != '-' && rest[0] != '+' && rest[0] != ' ';
}

bool ToVector(const json& v, std::string* err) {
    if (!v.is_array() || v.size() != 3) {
        *err = "expects [x, y, z], got " + Describe(v);
        return false;
    }
    float unused;
    for (const json& c : v) {
        if (!ToFloat(c, &unused, err)) {
            return false;
        }
    }
    return true;
}

bool ToMatrix(const json& v, std::string* err) {
    if (!v.is_array() || v.size() != 3) {
        *err = "expects three rows of three numbers, got " + Describe(v);
        return false;
    }
    for (const json& row : v) {
        if (!ToVector(row, err)) {
            return false;
        }
    }
    return true;
}

bool CheckKind(Kind kind, long long lo, long long hi, const json& v, std::string* err) {
    long long unusedInteger;
    float unusedFloat;
    switch (kind) {
    case Kind::Integer:
        return ToInteger(v, lo, hi, &unusedInteger, err);
    case Kind::Float:
        return ToFloat(v, &unusedFloat, err);
    case Kind::Vector:
        return ToVector(v, err);
    case Kind::Matrix:
        return ToMatrix(v, err);
    case Kind::Weapon:
        if (v.is_null()) {
            return true;
        }
        if (!v.is_object() || v.size() != 2 || !v.contains("FormType") ||
            !v.contains("WeaponKind")) {
            *err = "expects null or {\"FormType\": n, \"WeaponKind\": n}";
            return false;
        }
        return ToInteger(v["FormType"], 0, 255, &unusedInteger, err) &&
               ToInteger(v["WeaponKind"], -2147483648LL, 2147483647LL, &unusedInteger, err);
    case Kind::Sequence:
        if (v.is_null()) {
            return true;
        }
        if (!v.is_object() || !v.contains("GroupId") ||
            v.size() != (v.contains("FileName") ? 2u : 1u)) {
            *err = "expects null or {\"FileName\": text or null, \"GroupId\": 0..255}";
            return false;
        }
        if (v.contains("FileName") && !v["FileName"].is_null() &&
            !(v["FileName"].is_string() && v["FileName"].get_ref<const std::string&>().size() <
                                               sizeof(sim::Sequence::fileName))) {
            *err = "FileName expects a text of up to 95 characters, or null";
            return false;
        }
        return ToInteger(v["GroupId"], 0, 255, &unusedInteger, err);
    case Kind::Missing:
        if (!v.is_array()) {
            *err = "expects a list of missing objects, got " + Describe(v);
            return false;
        }
        for (const json& m : v) {
            bool known = false;
            for (const sim::MissingName& n : sim::kMissingNames) {
                known = known || (m.is_string() && m.get_ref<const std::string&>() == n.name);
            }
            if (!known) {
                *err = "unknown missing object " + Describe(m) +
                       " (player, process, BodyRoot, FirstPersonRoot, BodyAnim, "
                       "FirstPersonAnim, camera, HeadNode, or a bone such as \"Bip01 Head\")";
                return false;
            }
        }
        return true;
    case Kind::Tag:
        if (v.is_null() ||
            (v.is_string() && v.get_ref<const std::string&>().size() <= kLongestScenarioTag)) {
            return true;
        }
        *err = "expects a tag (a text of up to 200 characters) or null, got " + Describe(v);
        return false;
    case Kind::Tuning:
        if (!v.is_object() || v.size() != 3 || !v.contains("tag") || !v.contains("key") ||
            !v.contains("value")) {
            *err = "expects {\"tag\": .., \"key\": .., \"value\": ..}, each a text or null";
            return false;
        }
        for (const char* part : {"tag", "key", "value"}) {
            if (!CheckKind(Kind::Tag, 0, 0, v[part], err)) {
                return false;
            }
        }
        return true;
    case Kind::World:
        if (v.is_null()) {
            return true;
        }
        if (!v.is_object()) {
            *err = "expects null or {\"Translation\": [..], \"Rotation\": [[..]..], \"Scale\": s}";
            return false;
        }
        for (auto it = v.begin(); it != v.end(); ++it) {
            const bool ok = it.key() == "Translation" ? ToVector(*it, err)
                            : it.key() == "Rotation"  ? ToMatrix(*it, err)
                            : it.key() == "Scale"     ? ToFloat(*it, &unusedFloat, err)
                                                      : false;
            if (!ok) {
                if (err->empty()) {
                    *err = "unknown world field " + Describe(it.key()) +
                           " (Translation, Rotation, Scale)";
                }
                return false;
            }
        }
        return true;
    }
    return false;
}

// A scalar, or a list of up to three of what one level less allows.
bool IsExpectableValue(const json& v, int depth) {
    if (v.is_number() || v.is_boolean() || v.is_string()) {
        return true;
    }
    if (!v.is_array() || depth == 0 || v.size() > 3) {
        return false;
    }
    for (const json& e : v) {
        if (!IsExpectableValue(e, depth - 1) || e.is_string() || e.is_boolean()) {
            return false;
        }
    }
    return true;
}

bool IsBoneOf(const std::string& name, const sim::RigBone* bones, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (name == bones[i].name) {
            return true;
        }
    }
    return false;
}

} // namespace

bool IsInterfaceName(const std::string& name) {
    for (const char* n :
         {"bodyView.on", "bodyView.state", "bodyView.cameraPlaced", "bodyView.eye",
          "bodyView.holders", "interface.result", "interface.changeMessages",
          "interface.toldState"}) {
        if (name == n) {
            return true;
        }
    }
    return false;
}

bool SplitNodeName(const std::string& name, std::string* node, std::string* field) {
    const size_t prefix = strlen("nodes.");
    if (!StartsWith(name, "nodes.")) {
        return false;
    }
    const size_t dot = name.rfind('.');
    if (dot <= prefix) {
        return false;
    }
    *node = name.substr(prefix, dot - prefix);
    *field = name.substr(dot + 1);
    return true;
}

bool IsRigNodeName(const std::string& node) {
    const size_t bodyCount = std::size(sim::kBodyBones);
    const size_t fpCount = std::size(sim::kFirstPersonBones);
    if (node == "BodyRoot" || node == "FirstPersonRoot" || node == "Camera") {
        return true;
    }
    if (StartsWith(node, "FirstPersonRoot/")) {
        return IsBoneOf(node.substr(strlen("FirstPersonRoot/")), sim::kFirstPersonBones, fpCount);
    }
    if (StartsWith(node, "BodyRoot/")) {
        return IsBoneOf(node.substr(strlen("BodyRoot/")), sim::kBodyBones, bodyCount);
    }
    return IsBoneOf(node, sim::kBodyBones, bodyCount) ||
           IsBoneOf(node, sim::kFirstPersonBones, fpCount);
}

bool CheckSet(const std::string& name, const json& value, SetTarget* target, std::string* err) {
    err->clear();
    for (const Settable& s : kSettable) {
        if (name == s.name) {
            target->id = s.id;
            return CheckKind(s.kind, s.lo, s.hi, value, err);
        }
    }
    if (SplitIndex(name, "player.QueryCodedState.", &target->index)) {
        target->id = ValueId::QueryCodedState;
        if (target->index >= sim::kCodedStates) {
            *err = "codes go from 0 to " + std::to_string(sim::kCodedStates - 1);
            return false;
        }
        return CheckKind(Kind::Integer, 0, kWord, value, err);
    }
    if (SplitIndex(name, "BodyAnim.Sequences.", &target->index)) {
        target->id = ValueId::BodySequence;
        if (target->index > 4) {
            *err = "the five sequence slots are 0 to 4";
            return false;
        }
        return CheckKind(Kind::Sequence, 0, 0, value, err);
    }
    if (SplitNodeName(name, &target->node, &target->field)) {
        target->id = ValueId::NodeField;
        if (!IsRigNodeName(target->node)) {
            *err = "no node named " + Describe(target->node) + " in the rig";
            return false;
        }
        for (const NodeField& f : kSettableNodeFields) {
            if (target->field == f.name) {
                return CheckKind(f.kind, 0, 0xFFFF, value, err);
            }
        }
        *err = "unknown node field " + Describe(target->field) +
               " (LocalTranslation, LocalRotation, LocalScale, Flags, World)";
        return false;
    }
    *err = "unknown name " + Describe(name);
    return false;
}

bool CheckExpect(const std::string& name, const json& value, std::string* err) {
    if (!IsExpectableValue(value, 2)) {
        *err = "expects a number, true or false, a text, [x, y, z] or three rows of three, got " +
               Describe(value);
        return false;
    }
    for (const char* e : kExpectable) {
        if (name == e) {
            return true;
        }
    }
    if (IsInterfaceName(name)) {
        return true;
    }
    if (StartsWith(name, "calls.")) {
        for (int r = 0; r < sim::kRoutineCount; ++r) {
            if (name.substr(strlen("calls.")) == sim::RoutineName(static_cast<sim::Routine>(r))) {
                return true;
            }
        }
        *err = "unknown routine in " + Describe(name);
        return false;
    }
    std::string node, field;
    if (SplitNodeName(name, &node, &field)) {
        if (!IsRigNodeName(node)) {
            *err = "no node named " + Describe(node) + " in the rig";
            return false;
        }
        for (const char* f : kExpectableNodeFields) {
            if (field == f) {
                return true;
            }
        }
        *err = "unknown node field " + Describe(field);
        return false;
    }
    *err = "unknown name " + Describe(name);
    return false;
}

} // namespace simtool
