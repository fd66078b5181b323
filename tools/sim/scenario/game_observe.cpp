// Observing the simulated game: the values a scenario can expect, and the
// eye point and state label that the trace and the pictures show.
#include <math.h>
#include <string.h>

#include "settings/settings.h"
#include "tools/sim/scenario/game_values.h"
#include "tools/sim/scenario/interface_values.h"
#include "view/view_state.h"

namespace simtool {

namespace {

using sim::Game;

constexpr double kTolerance = 1e-3;

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
    {"BodyViewHeld", &BodyViewHeld, false},
    {"HeldForcedMode", &HeldForcedMode, false},
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

// What the view of the frame showed, by its name behind "view.".
json ViewValue(const Game& g, const std::string& name) {
    const sim::ViewSeen& v = g.view;
    if (v.frame != g.frame) {
        return g.frameOrder == sim::FrameOrder::Game
                   ? "no view was drawn in this frame"
                   : "no view is drawn in the design's order of the frame";
    }
    // A part of the body is drawn where the body is and its world scale is
    // not 0 (collapsed for the view, or under a part that is).
    const auto part = [&v](float scale) { return v.bodyDrawn && scale != 0.0f; };
    if (name == "BodyDrawn") {
        return v.bodyDrawn;
    }
    if (name == "HeadDrawn") {
        return part(v.headScale);
    }
    if (name == "LeftArmDrawn") {
        return part(v.leftClavicleScale);
    }
    if (name == "RightArmDrawn") {
        return part(v.rightClavicleScale);
    }
    if (name == "ShieldDrawn") {
        return part(v.shieldScale);
    }
    if (name == "LeftHandItemDrawn") {
        return part(v.leftHandItemScale);
    }
    if (name == "ArmsDrawn") {
        return v.firstPersonDrawn;
    }
    return VectorJson(v.cameraTranslation); // CameraTranslation
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
    if (IsInterfaceName(name)) {
        return ObserveInterface(name);
    }
    if (name == "draws") {
        return g.DrawCount();
    }
    if (name == "eyeOnCamera") {
        const Vector3 e = EyePoint(g);
        const Vector3& c = g.camera->node.WorldTranslation;
        return Near(e.x, c.x) && Near(e.y, c.y) && Near(e.z, c.z);
    }
    if (name.compare(0, strlen("view."), "view.") == 0) {
        return ViewValue(g, name.substr(strlen("view.")));
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
