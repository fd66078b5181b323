#include "tools/sim/scenario/game_values.h"
#include "tools/sim/scenario/interface_values.h"

#include <math.h>
#include <string.h>

#include "settings/settings.h"
#include "view/view_state.h"

namespace simtool {

namespace {

using sim::Game;

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
            g.cameraFollowsPitch = false;
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

} // namespace

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
    case ValueId::FreeCamera:
        Store(&p.FreeCamera, v);
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
    case ValueId::ByteAfterWeaponDrawn:
        Store(&pr.ByteAfterWeaponDrawn, v);
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
    case ValueId::InterfaceCall:
        CallInterface(setting.name, v);
        break;
    }
}

} // namespace simtool
