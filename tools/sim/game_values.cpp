#include "tools/sim/game_values.h"

#include <math.h>
#include <string.h>

#include "settings/settings.h"
#include "view/view_state.h"

namespace simtool {

namespace {

using sim::Game;

constexpr double kTolerance = 1e-3;

float Float(const json& v) {
    return static_cast<float>(v.get<double>());
}
long long Integer(const json& v) {
    return v.is_boolean()           ? (v.get<bool>() ? 1 : 0)
           : v.is_number_unsigned() ? static_cast<long long>(v.get<unsigned long long>())
                                    : v.get<long long>();
}
Vector3 ToVector3(const json& v) {
    return Vector3{Float(v[0]), Float(v[1]), Float(v[2])};
}
Matrix3 ToMatrix3(const json& v) {
    Matrix3 m;
    for (int i = 0; i < 3; ++i) {
        const Vector3 row = ToVector3(v[i]);
        m.m[i][0] = row.x;
        m.m[i][1] = row.y;
        m.m[i][2] = row.z;
    }
    return m;
}

// The integer fields by their names.
template <typename T> void Store(T* field, const json& v) {
    *field = static_cast<T>(Integer(v));
}

sim::Node* FindBelow(sim::Node* root, const char* name) {
    if (strcmp(root->name, name) == 0) {
        return root;
    }
    for (int i = 0; i < root->node.ChildCount; ++i) {
        if (sim::Node* found = FindBelow(reinterpret_cast<sim::Node*>(root->childSlots[i]), name)) {
            return found;
        }
    }
    return nullptr;
}

void SetNodeField(Game& g, sim::Node* n, const std::string& field, const json& v) {
    SceneNode& node = n->node;
    if (field == "LocalTranslation") {
        // For the two roots and the camera this is where the game puts them
        // at every frame start.
        node.LocalTranslation = ToVector3(v);
        Vector3* placement = n == g.bodyRoot ? &g.bodyPlacement
                             : n == g.fpRoot ? &g.firstPersonPlacement
                             : n == g.camera ? &g.cameraPlacement
                                             : nullptr;
        if (placement != nullptr) {
            *placement = node.LocalTranslation;
        }
    } else if (field == "LocalRotation") {
        node.LocalRotation = ToMatrix3(v);
        if (n == g.camera) {
            g.cameraRotationPlacement = node.LocalRotation;
        }
    } else if (field == "LocalScale") {
        node.LocalScale = Float(v);
    } else if (field == "Flags") {
        node.Flags = static_cast<uint16_t>(Integer(v));
    } else if (field == "World") {
        if (v.is_null()) {
            n->frozen = false;
            return;
        }
        Vector3 t = node.WorldTranslation;
        Matrix3 r = node.WorldRotation;
        float s = node.WorldScale;
        if (v.contains("Translation")) {
            t = ToVector3(v["Translation"]);
        }
        if (v.contains("Rotation")) {
            r = ToMatrix3(v["Rotation"]);
        }
        if (v.contains("Scale")) {
            s = Float(v["Scale"]);
        }
        Game::Freeze(n, t, r, s);
    }
}

uint32_t MissingMask(const json& list) {
    uint32_t mask = 0;
    for (const json& m : list) {
        for (const sim::MissingName& n : sim::kMissingNames) {
            if (m.get_ref<const std::string&>() == n.name) {
                mask |= n.bit;
            }
        }
    }
    return mask;
}

struct ViewField {
    const char* name;
    const void* field;
    bool isFloat;
};
const ViewField kViewFields[] = {
    {"SavedThirdPerson", &SavedThirdPerson, false},
    {"ForcedBodyMode", &ForcedBodyMode, false},
    {"ModAnimPending", &ModAnimPending, false},
    {"ModAnimCounter", &ModAnimCounter, false},
    {"MountedInFirstPerson", &MountedInFirstPerson, false},
    {"WatchedMenuOpen", &WatchedMenuOpen, false},
    {"SavedChaseDistance", &SavedChaseDistance, true},
    {"HeadAnchorCountdown", &HeadAnchorCountdown, false},
    {"InExtraAnimUpdate", &InExtraAnimUpdate, true},
    {"InBodyPassUpdate", &InBodyPassUpdate, true},
};

json NodeValue(const SceneNode& s, const std::string& field) {
    if (field == "LocalTranslation") {
        return VectorJson(s.LocalTranslation);
    }
    if (field == "WorldTranslation") {
        return VectorJson(s.WorldTranslation);
    }
    if (field == "LocalRotation") {
        return MatrixJson(s.LocalRotation);
    }
    if (field == "WorldRotation") {
        return MatrixJson(s.WorldRotation);
    }
    if (field == "LocalScale") {
        return s.LocalScale;
    }
    if (field == "WorldScale") {
        return s.WorldScale;
    }
    if (field == "Flags") {
        return s.Flags;
    }
    return (s.Flags & kNodeHiddenBit) != 0; // Hidden
}

bool Near(double a, double b) {
    return fabs(a - b) <= kTolerance || (isnan(a) && isnan(b));
}

} // namespace

json VectorJson(const Vector3& v) {
    return json::array({v.x, v.y, v.z});
}
json MatrixJson(const Matrix3& m) {
    json rows = json::array();
    for (const auto& r : m.m) {
        rows.push_back(json::array({r[0], r[1], r[2]}));
    }
    return rows;
}

sim::Node* FindRigNode(Game& g, const std::string& node) {
    if (node == "BodyRoot") {
        return g.bodyRoot;
    }
    if (node == "FirstPersonRoot") {
        return g.fpRoot;
    }
    if (node == "Camera") {
        return g.camera;
    }
    const size_t slash = node.find('/');
    if (slash != std::string::npos) {
        sim::Node* root = node.compare(0, slash, "FirstPersonRoot") == 0 ? g.fpRoot : g.bodyRoot;
        return FindBelow(root, node.c_str() + slash + 1);
    }
    sim::Node* found = FindBelow(g.bodyRoot, node.c_str());
    return found != nullptr ? found : FindBelow(g.fpRoot, node.c_str());
}

void ApplySetting(Game& g, const Setting& setting) {
    const json& v = setting.value;
    PlayerObject& p = g.player->obj;
    ProcessObject& pr = g.process->obj;
    switch (setting.target.id) {
    case ValueId::ThirdPerson:
        Store(&p.ThirdPerson, v);
        break;
    case ValueId::LookPitch:
        p.LookPitch = Float(v);
        break;
    case ValueId::Mount:
        p.Mount = Integer(v) != 0 ? g.others[1]->object : nullptr;
        break;
    case ValueId::RestoreBlockA:
        Store(&p.RestoreBlockA, v);
        break;
    case ValueId::RestoreBlockB:
        Store(&p.RestoreBlockB, v);
        break;
    case ValueId::IsDead:
        Store(&g.player->isDead, v);
        break;
    case ValueId::IsVampireFeeding:
        Store(&g.player->isVampireFeeding, v);
        break;
    case ValueId::QueryShadowState:
        Store(&g.player->shadowState, v);
        break;
    case ValueId::QueryCodedState:
        Store(&g.player->codedState[setting.target.index], v);
        break;
    case ValueId::KnockoutState:
        Store(&pr.KnockoutState, v);
        break;
    case ValueId::SitState:
        Store(&pr.SitState, v);
        break;
    case ValueId::ActionState:
        Store(&pr.ActionState, v);
        break;
    case ValueId::WeaponDrawn:
        Store(&pr.WeaponDrawn, v);
        break;
    case ValueId::LeftHandItemQuery:
        Store(&g.process->leftHandItem, v);
        break;
    case ValueId::ShieldQuery:
        Store(&g.process->shield, v);
        break;
    case ValueId::GetFlagWord:
        Store(&g.process->flagWord, v);
        break;
    case ValueId::EquippedWeapon:
        pr.EquippedWeapon = v.is_null()
                                ? nullptr
                                : &g.NewWeapon(static_cast<uint8_t>(Integer(v["FormType"])),
                                               static_cast<int32_t>(Integer(v["WeaponKind"])))
                                       ->entry;
        break;
    case ValueId::BodyIdleAbsent:
        Store(&g.bodyAnim->idleAbsentResult, v);
        break;
    case ValueId::FirstPersonIdleAbsent:
        Store(&g.fpAnim->idleAbsentResult, v);
        break;
    case ValueId::BodySequence: {
        const int slot = static_cast<int>(setting.target.index);
        if (v.is_null()) {
            g.Play(g.bodyAnim, slot, nullptr);
        } else {
            const json file = v.value("FileName", json());
            g.Play(g.bodyAnim, slot, file.is_null() ? nullptr : file.get<std::string>().c_str(),
                   static_cast<uint8_t>(Integer(v["GroupId"])));
        }
        break;
    }
    case ValueId::CameraDetachedByte:
        Game::SetCameraDetached(static_cast<uint8_t>(Integer(v)));
        break;
    case ValueId::ChaseCameraDistance:
        ChaseCameraDistance() = Float(v);
        break;
    case ValueId::MenuGateFloat:
        Game::SetMenuGate(Float(v));
        break;
    case ValueId::MenuModeActive:
        Store(&g.interface->menuModeActive, v);
        break;
    case ValueId::MenuOpen1009:
        Store(&g.interface->openMenu1009, v);
        break;
    case ValueId::MenuOpen1034:
        Store(&g.interface->openMenu1034, v);
        break;
    case ValueId::Missing:
        g.SetMissing(MissingMask(v));
        break;
    case ValueId::NodeField:
        SetNodeField(g, FindRigNode(g, setting.target.node), setting.target.field, v);
        break;
    }
}

Vector3 EyePoint(Game& g) {
    const SceneNode& body = g.bodyRoot->node;
    const float s = body.WorldScale;
    const Vector3 offset = {Settings.fCameraPosX * s, Settings.fCameraPosY * s,
                            Settings.fCameraPosZ * s};
    Vector3 turned;
    MultiplyMatrix3Vector3(&turned, &body.WorldRotation, &offset);
    const Vector3& h = g.bodyHead->node.WorldTranslation;
    return Vector3{h.x + turned.x, h.y + turned.y, h.z + turned.z};
}

std::string PlayerState(Game& g) {
    const PlayerObject& p = g.player->obj;
    const ProcessObject& pr = g.process->obj;
    if (WatchedMenuOpen != 0) {
        return "menu";
    }
    if (g.player->isDead != 0) {
        return "dead";
    }
    if (pr.KnockoutState != 0) {
        return "knocked out";
    }
    if (g.player->isVampireFeeding != 0) {
        return "vampire feeding";
    }
    if (p.Mount != nullptr) {
        return "mounted";
    }
    if (pr.SitState >= kSitStateLying) {
        return "lying";
    }
    if (pr.SitState != 0) {
        return "sitting";
    }
    if ((g.bodyAnim->idleAbsentResult & 1) == 0) {
        return ForcedBodyMode != 0 || p.ThirdPerson == 0 ? "animation" : "third person";
    }
    if (p.ThirdPerson != 0 || CameraDetachedByte() != 0) {
        return ForcedBodyMode != 0 ? "forced body view" : "third person";
    }
    return Settings.bEnableHeadBob != 0 ? "head bob" : "standing";
}

json Observe(Game& g, const std::string& name) {
    for (const ViewField& f : kViewFields) {
        if (name == f.name) {
            return f.isFloat ? json(*static_cast<const float*>(f.field))
                             : json(*static_cast<const int32_t*>(f.field));
        }
    }
    if (name == "player.ThirdPerson") {
        return g.player->obj.ThirdPerson;
    }
    if (name == "ChaseCameraDistance") {
        return ChaseCameraDistance();
    }
    if (name == "state") {
        return PlayerState(g);
    }
    if (name == "draws") {
        return g.DrawCount();
    }
    if (name == "eyeOnCamera") {
        const Vector3 e = EyePoint(g);
        const Vector3& c = g.camera->node.WorldTranslation;
        return Near(e.x, c.x) && Near(e.y, c.y) && Near(e.z, c.z);
    }
    if (name.compare(0, strlen("calls."), "calls.") == 0) {
        for (int r = 0; r < sim::kRoutineCount; ++r) {
            if (name.substr(strlen("calls.")) == sim::RoutineName(static_cast<sim::Routine>(r))) {
                return g.Calls(static_cast<sim::Routine>(r));
            }
        }
    }
    std::string node, field;
    SplitNodeName(name, &node, &field);
    return NodeValue(FindRigNode(g, node)->node, field);
}

bool Matches(const json& want, const json& got) {
    if (want.is_number() && got.is_number()) {
        return Near(want.get<double>(), got.get<double>());
    }
    if (want.is_boolean() && got.is_number()) {
        return want.get<bool>() == (got.get<double>() != 0);
    }
    if (want.is_array() && got.is_array()) {
        if (want.size() != got.size()) {
            return false;
        }
        for (size_t i = 0; i < want.size(); ++i) {
            if (!Matches(want[i], got[i])) {
                return false;
            }
        }
        return true;
    }
    return want == got;
}

} // namespace simtool
