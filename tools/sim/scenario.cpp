#include "tools/sim/scenario.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "body/draw_visibility.h"
#include "entry/plugin_entry.h"
#include "game/node_names.h"
#include "game/player_rig.h"
#include "platform/linux_host.h"
#include "settings/settings.h"
#include "sim/sim_host.h"
#include "view/view_state.h"

namespace simtool {

using json = nlohmann::json;
using sim::Game;

namespace {

constexpr double kTolerance = 1e-3;
constexpr int kMaxFramesPerStep = 100000;

// --- values -----------------------------------------------------------------
bool ToInteger(const json& v, long long lo, long long hi, long long* out, std::string* err) {
    if (v.is_boolean()) {
        *out = v.get<bool>() ? 1 : 0;
        return true;
    }
    if (!v.is_number_integer()) {
        *err = "expects an integer, got " + v.dump();
        return false;
    }
    const long long x = v.get<long long>();
    if (x < lo || x > hi) {
        *err = "expects an integer from " + std::to_string(lo) + " to " + std::to_string(hi) +
               ", got " + v.dump();
        return false;
    }
    *out = x;
    return true;
}

bool ToFloat(const json& v, float* out, std::string* err) {
    if (!v.is_number()) {
        *err = "expects a number, got " + v.dump();
        return false;
    }
    *out = static_cast<float>(v.get<double>());
    return true;
}

bool ToVector(const json& v, Vector3* out, std::string* err) {
    if (!v.is_array() || v.size() != 3) {
        *err = "expects [x, y, z], got " + v.dump();
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (!ToFloat(v[i], &Component(*out, i), err)) {
            return false;
        }
    }
    return true;
}

bool ToMatrix(const json& v, Matrix3* out, std::string* err) {
    if (!v.is_array() || v.size() != 3) {
        *err = "expects three rows of three numbers, got " + v.dump();
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        Vector3 row;
        if (!ToVector(v[i], &row, err)) {
            return false;
        }
        out->m[i][0] = row.x;
        out->m[i][1] = row.y;
        out->m[i][2] = row.z;
    }
    return true;
}

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

// --- names --------------------------------------------------------------------
bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

sim::Node* FindNode(Game& g, const std::string& name) {
    if (name == "BodyRoot") {
        return g.bodyRoot;
    }
    if (name == "FirstPersonRoot") {
        return g.fpRoot;
    }
    if (name == "Camera") {
        return g.camera;
    }
    SceneNode* found = nullptr;
    if (StartsWith(name, "FirstPersonRoot/")) {
        found = FindChildByName(&g.fpRoot->node, name.c_str() + strlen("FirstPersonRoot/"));
    } else if (StartsWith(name, "BodyRoot/")) {
        found = FindChildByName(&g.bodyRoot->node, name.c_str() + strlen("BodyRoot/"));
    } else {
        found = FindChildByName(&g.bodyRoot->node, name.c_str());
        if (found == nullptr) {
            found = FindChildByName(&g.fpRoot->node, name.c_str());
        }
    }
    return reinterpret_cast<sim::Node*>(found);
}

// Splits "nodes.<node name>.<field>" (node names may hold dots only before
// the last one).
bool SplitNodeName(const std::string& name, std::string* node, std::string* field) {
    if (!StartsWith(name, "nodes.")) {
        return false;
    }
    const size_t dot = name.rfind('.');
    if (dot <= strlen("nodes.")) {
        return false;
    }
    *node = name.substr(strlen("nodes."), dot - strlen("nodes."));
    *field = name.substr(dot + 1);
    return true;
}

// A trailing number: "BodyAnim.Sequences.3" -> prefix and 3.
bool SplitIndex(const std::string& name, const std::string& prefix, long* index) {
    if (!StartsWith(name, prefix) || name.size() == prefix.size()) {
        return false;
    }
    char* end = nullptr;
    const std::string rest = name.substr(prefix.size());
    *index = strtol(rest.c_str(), &end, 10);
    return *end == '\0';
}

using Setter = std::function<bool(Game&, const json&, std::string*)>;

template <typename T> Setter IntoField(T* (*where)(Game&), long long lo, long long hi) {
    return [where, lo, hi](Game& g, const json& v, std::string* err) {
        long long x;
        if (!ToInteger(v, lo, hi, &x, err)) {
            return false;
        }
        *where(g) = static_cast<T>(x);
        return true;
    };
}

Setter IntoFloat(float* (*where)(Game&)) {
    return [where](Game& g, const json& v, std::string* err) { return ToFloat(v, where(g), err); };
}

const std::vector<std::pair<std::string, Setter>>& PlainSetters() {
    static const std::vector<std::pair<std::string, Setter>> setters = {
        {"player.ThirdPerson",
         IntoField<uint8_t>([](Game& g) { return &g.player->obj.ThirdPerson; }, 0, 255)},
        {"player.LookPitch", IntoFloat([](Game& g) { return &g.player->obj.LookPitch; })},
        {"player.Mount",
         [](Game& g, const json& v, std::string* err) {
             long long x;
             if (!ToInteger(v, 0, 1, &x, err)) {
                 return false;
             }
             g.player->obj.Mount = x != 0 ? g.others[1]->object : nullptr;
             return true;
         }},
        {"player.RestoreBlockA",
         IntoField<uint8_t>([](Game& g) { return &g.player->obj.RestoreBlockA; }, 0, 255)},
        {"player.RestoreBlockB",
         IntoField<uint8_t>([](Game& g) { return &g.player->obj.RestoreBlockB; }, 0, 255)},
        {"player.IsDead", IntoField<uint8_t>([](Game& g) { return &g.player->isDead; }, 0, 255)},
        {"player.IsVampireFeeding",
         IntoField<uint8_t>([](Game& g) { return &g.player->isVampireFeeding; }, 0, 255)},
        {"player.QueryShadowState",
         IntoField<uint32_t>([](Game& g) { return &g.player->shadowState; }, 0, 0xFFFFFFFFLL)},
        {"process.KnockoutState",
         IntoField<int8_t>([](Game& g) { return &g.process->obj.KnockoutState; }, -128, 127)},
        {"process.SitState",
         IntoField<uint8_t>([](Game& g) { return &g.process->obj.SitState; }, 0, 255)},
        {"process.ActionState",
         IntoField<int16_t>([](Game& g) { return &g.process->obj.ActionState; }, -32768, 32767)},
        {"process.WeaponDrawn",
         IntoField<uint8_t>([](Game& g) { return &g.process->obj.WeaponDrawn; }, 0, 255)},
        {"process.LeftHandItemQuery",
         IntoField<uint32_t>([](Game& g) { return &g.process->leftHandItem; }, 0, 0xFFFFFFFFLL)},
        {"process.ShieldQuery",
         IntoField<uint32_t>([](Game& g) { return &g.process->shield; }, 0, 0xFFFFFFFFLL)},
        {"process.GetFlagWord",
         IntoField<uint32_t>([](Game& g) { return &g.process->flagWord; }, 0, 0xFFFFFFFFLL)},
        {"process.EquippedWeapon",
         [](Game& g, const json& v, std::string* err) {
             if (v.is_null()) {
                 g.process->obj.EquippedWeapon = nullptr;
                 return true;
             }
             if (!v.is_object() || !v.contains("FormType") || !v.contains("WeaponKind")) {
                 *err = "expects null or {\"FormType\": n, \"WeaponKind\": n}";
                 return false;
             }
             long long type, kind;
             if (!ToInteger(v["FormType"], 0, 255, &type, err) ||
                 !ToInteger(v["WeaponKind"], -2147483648LL, 2147483647LL, &kind, err)) {
                 return false;
             }
             g.process->obj.EquippedWeapon =
                 &g.NewWeapon(static_cast<uint8_t>(type), static_cast<int32_t>(kind))->entry;
             return true;
         }},
        {"BodyAnim.IsIdleAnimAbsent",
         IntoField<uint8_t>([](Game& g) { return &g.bodyAnim->idleAbsentResult; }, 0, 255)},
        {"FirstPersonAnim.IsIdleAnimAbsent",
         IntoField<uint8_t>([](Game& g) { return &g.fpAnim->idleAbsentResult; }, 0, 255)},
        {"CameraDetachedByte",
         IntoField<uint8_t>(
             [](Game&) { return &GameGlobal<uint8_t>(LF_ADDR_CAMERA_DETACHED_BYTE); }, 0, 255)},
        {"ChaseCameraDistance", IntoFloat([](Game&) { return &ChaseCameraDistance(); })},
        {"MenuGateFloat",
         IntoFloat([](Game&) { return &GameGlobal<float>(LF_ADDR_MENU_GATE_FLOAT); })},
        {"interface.IsMenuModeActive",
         IntoField<uint8_t>([](Game& g) { return &g.interface->menuModeActive; }, 0, 255)},
        {"interface.IsMenuOpen.1009",
         IntoField<uint8_t>([](Game& g) { return &g.interface->openMenu1009; }, 0, 255)},
        {"interface.IsMenuOpen.1034",
         IntoField<uint8_t>([](Game& g) { return &g.interface->openMenu1034; }, 0, 255)},
    };
    return setters;
}

bool SetNodeField(Game& g, sim::Node* n, const std::string& field, const json& v,
                  std::string* err) {
    SceneNode& node = n->node;
    if (field == "LocalTranslation") {
        // For the two roots and the camera this is where the game puts them
        // at every frame start.
        Vector3* placement = n == g.bodyRoot ? &g.bodyPlacement
                             : n == g.fpRoot ? &g.firstPersonPlacement
                             : n == g.camera ? &g.cameraPlacement
                                             : nullptr;
        if (!ToVector(v, &node.LocalTranslation, err)) {
            return false;
        }
        if (placement != nullptr) {
            *placement = node.LocalTranslation;
        }
        return true;
    }
    if (field == "LocalRotation") {
        return ToMatrix(v, &node.LocalRotation, err);
    }
    if (field == "LocalScale") {
        return ToFloat(v, &node.LocalScale, err);
    }
    if (field == "Flags") {
        long long x;
        if (!ToInteger(v, 0, 0xFFFF, &x, err)) {
            return false;
        }
        node.Flags = static_cast<uint16_t>(x);
        return true;
    }
    if (field == "World") {
        if (v.is_null()) {
            n->frozen = false;
            return true;
        }
        if (!v.is_object()) {
            *err = "expects null or {\"Translation\": [..], \"Rotation\": [[..]..], \"Scale\": s}";
            return false;
        }
        Vector3 t = node.WorldTranslation;
        Matrix3 r = node.WorldRotation;
        float s = node.WorldScale;
        for (auto it = v.begin(); it != v.end(); ++it) {
            bool ok;
            if (it.key() == "Translation") {
                ok = ToVector(*it, &t, err);
            } else if (it.key() == "Rotation") {
                ok = ToMatrix(*it, &r, err);
            } else if (it.key() == "Scale") {
                ok = ToFloat(*it, &s, err);
            } else {
                *err = "unknown world field '" + it.key() + "' (Translation, Rotation, Scale)";
                ok = false;
            }
            if (!ok) {
                return false;
            }
        }
        Game::Freeze(n, t, r, s);
        return true;
    }
    *err = "unknown node field '" + field +
           "' (LocalTranslation, LocalRotation, LocalScale, Flags, World)";
    return false;
}

bool Apply(Game& g, const std::string& name, const json& v, std::string* err) {
    for (const auto& [known, setter] : PlainSetters()) {
        if (known == name) {
            return setter(g, v, err);
        }
    }
    long index = 0;
    if (SplitIndex(name, "player.QueryCodedState.", &index)) {
        if (index < 0 || index >= sim::kCodedStates) {
            *err = "codes go from 0 to " + std::to_string(sim::kCodedStates - 1);
            return false;
        }
        long long x;
        if (!ToInteger(v, 0, 0xFFFFFFFFLL, &x, err)) {
            return false;
        }
        g.player->codedState[index] = static_cast<uint32_t>(x);
        return true;
    }
    if (SplitIndex(name, "BodyAnim.Sequences.", &index)) {
        if (index < 0 || index > 4) {
            *err = "the five sequence slots are 0 to 4";
            return false;
        }
        if (v.is_null()) {
            g.Play(g.bodyAnim, static_cast<int>(index), nullptr);
            return true;
        }
        if (!v.is_object() || !v.contains("GroupId")) {
            *err = "expects null or {\"FileName\": text or null, \"GroupId\": 0..255}";
            return false;
        }
        long long group;
        if (!ToInteger(v["GroupId"], 0, 255, &group, err)) {
            return false;
        }
        const json file = v.value("FileName", json());
        if (!file.is_null() && !file.is_string()) {
            *err = "FileName expects a text or null";
            return false;
        }
        g.Play(g.bodyAnim, static_cast<int>(index),
               file.is_null() ? nullptr : file.get<std::string>().c_str(),
               static_cast<uint8_t>(group));
        return true;
    }
    std::string node, field;
    if (SplitNodeName(name, &node, &field)) {
        sim::Node* n = FindNode(g, node);
        if (n == nullptr) {
            *err = "no node named '" + node + "' in the rig";
            return false;
        }
        return SetNodeField(g, n, field, v, err);
    }
    *err = "unknown name '" + name + "'";
    return false;
}

// --- expectations --------------------------------------------------------------
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

json ViewValue(const ViewField& f) {
    if (f.isFloat) {
        return *static_cast<const float*>(f.field);
    }
    return *static_cast<const int32_t*>(f.field);
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

bool Near(double a, double b) {
    return fabs(a - b) <= kTolerance || (isnan(a) && isnan(b));
}

// The current value of an expectable name, as JSON; null when unknown.
json Observe(Game& g, const std::string& name, std::string* err) {
    for (const ViewField& f : kViewFields) {
        if (name == f.name) {
            return ViewValue(f);
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
    if (StartsWith(name, "calls.")) {
        for (int r = 0; r < sim::kRoutineCount; ++r) {
            if (name.substr(strlen("calls.")) == sim::RoutineName(static_cast<sim::Routine>(r))) {
                return g.Calls(static_cast<sim::Routine>(r));
            }
        }
        *err = "unknown routine in '" + name + "'";
        return json();
    }
    std::string node, field;
    if (SplitNodeName(name, &node, &field)) {
        sim::Node* n = FindNode(g, node);
        if (n == nullptr) {
            *err = "no node named '" + node + "' in the rig";
            return json();
        }
        const SceneNode& s = n->node;
        if (field == "LocalTranslation")
            return VectorJson(s.LocalTranslation);
        if (field == "WorldTranslation")
            return VectorJson(s.WorldTranslation);
        if (field == "LocalRotation")
            return MatrixJson(s.LocalRotation);
        if (field == "WorldRotation")
            return MatrixJson(s.WorldRotation);
        if (field == "LocalScale")
            return s.LocalScale;
        if (field == "WorldScale")
            return s.WorldScale;
        if (field == "Flags")
            return s.Flags;
        if (field == "Hidden")
            return (s.Flags & kNodeHiddenBit) != 0;
        *err = "unknown node field '" + field + "'";
        return json();
    }
    *err = "unknown name '" + name + "'";
    return json();
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

using ordered = nlohmann::ordered_json;

ordered TraceLine(Game& g, int frame, int step, const std::string& note) {
    ordered line;
    line["frame"] = frame;
    line["step"] = step;
    if (!note.empty()) {
        line["note"] = note;
    }
    line["state"] = PlayerState(g);
    const SceneNode& cam = g.camera->node;
    line["camera"] = {{"LocalTranslation", VectorJson(cam.LocalTranslation)},
                      {"LocalRotation", MatrixJson(cam.LocalRotation)},
                      {"WorldTranslation", VectorJson(cam.WorldTranslation)}};
    line["eye"] = VectorJson(EyePoint(g));
    for (auto [key, n] : {std::pair<const char*, sim::Node*>{"bodyRoot", g.bodyRoot},
                          {"firstPersonRoot", g.fpRoot}}) {
        line[key] = {{"LocalTranslation", VectorJson(n->node.LocalTranslation)},
                     {"WorldTranslation", VectorJson(n->node.WorldTranslation)},
                     {"Flags", n->node.Flags}};
    }
    line["clavicles"] = {{"left", MatrixJson(g.lClavicle->node.LocalRotation)},
                         {"right", MatrixJson(g.rClavicle->node.LocalRotation)}};
    ordered scales = ordered::object();
    for (sim::Node* n : {g.bodyHead, g.shield, g.leftHandItem, g.lClavicle, g.rClavicle}) {
        scales[n->name] = {{"local", n->node.LocalScale}, {"world", n->node.WorldScale}};
    }
    line["scales"] = scales;
    line["magicNode"] = {{"LocalTranslation", VectorJson(g.bodyMagic->node.LocalTranslation)},
                         {"WorldTranslation", VectorJson(g.bodyMagic->node.WorldTranslation)}};
    line["ThirdPerson"] = g.player->obj.ThirdPerson;
    line["ChaseCameraDistance"] = ChaseCameraDistance();
    ordered view = ordered::object();
    for (const ViewField& f : kViewFields) {
        view[f.name] = ViewValue(f);
    }
    line["viewState"] = view;
    ordered calls = ordered::object();
    for (int r = 0; r < sim::kRoutineCount; ++r) {
        calls[sim::RoutineName(static_cast<sim::Routine>(r))] =
            g.Calls(static_cast<sim::Routine>(r));
    }
    line["calls"] = calls;
    line["draws"] = g.DrawCount();
    return line;
}

bool ParseSwitch(const json& v, sim::CameraSwitch* out) {
    if (!v.is_string()) {
        return false;
    }
    const std::string s = v.get<std::string>();
    if (s == "none")
        *out = sim::CameraSwitch::None;
    else if (s == "decide")
        *out = sim::CameraSwitch::Decide;
    else if (s == "sitting")
        *out = sim::CameraSwitch::Sitting;
    else if (s == "death")
        *out = sim::CameraSwitch::Death;
    else
        return false;
    return true;
}

std::string WindowsPath(std::string p) {
    for (char& c : p) {
        if (c == '/') {
            c = '\\';
        }
    }
    return p;
}

} // namespace

bool ParseScenario(const std::string& text, const std::string& source, Scenario* scenario,
                   ScenarioError* error) {
    auto fail = [&](const std::string& where, const std::string& what) {
        error->message = source + ": " + where + (where.empty() ? "" : ": ") + what;
        return false;
    };
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error& e) {
        // The library's message names the line and column.
        std::string what = e.what();
        const size_t pos = what.find("parse error");
        return fail("", "not valid JSON: " + (pos != std::string::npos ? what.substr(pos) : what));
    }
    if (!doc.is_object()) {
        return fail("", "a scenario is a JSON object with \"settings\" and \"steps\"");
    }
    scenario->source = source;
    for (auto it = doc.begin(); it != doc.end(); ++it) {
        if (it.key() == "description") {
            if (!it->is_string())
                return fail("description", "expects a text");
            scenario->description = it->get<std::string>();
        } else if (it.key() == "settings") {
            if (it->is_string()) {
                scenario->settings = it->get<std::string>();
            } else if (it->is_array()) {
                for (const json& line : *it) {
                    if (!line.is_string())
                        return fail("settings", "expects lines of text");
                    scenario->settings += line.get<std::string>() + "\r\n";
                }
            } else {
                return fail("settings", "expects the settings file as a text or a list of lines");
            }
        } else if (it.key() != "steps") {
            return fail("", "unknown key '" + it.key() + "' (description, settings, steps)");
        }
    }
    if (!doc.contains("steps") || !doc["steps"].is_array() || doc["steps"].empty()) {
        return fail("steps", "expects a non-empty list of steps");
    }

    // Every name is tried on a game of its own, so that a problem is found
    // before anything runs.
    Game dry;
    int index = 0;
    for (const json& s : doc["steps"]) {
        Step step;
        step.place = "steps[" + std::to_string(index++) + "]";
        if (!s.is_object())
            return fail(step.place, "a step is a JSON object");
        for (auto it = s.begin(); it != s.end(); ++it) {
            const std::string& key = it.key();
            const std::string place = step.place + "." + key;
            if (key == "note") {
                if (!it->is_string())
                    return fail(place, "expects a text");
                step.note = it->get<std::string>();
            } else if (key == "frames") {
                long long n;
                std::string err;
                if (!ToInteger(*it, 1, kMaxFramesPerStep, &n, &err))
                    return fail(place, err);
                step.frames = static_cast<int>(n);
            } else if (key == "cameraSwitch") {
                if (!ParseSwitch(*it, &step.cameraSwitch)) {
                    return fail(place, "expects \"none\", \"decide\", \"sitting\" or \"death\"");
                }
            } else if (key == "hostMessage") {
                const json list = it->is_array() ? *it : json::array({*it});
                for (const json& m : list) {
                    long long type;
                    std::string err;
                    if (!ToInteger(m, 0, 0xFFFFFFFFLL, &type, &err))
                        return fail(place, err);
                    step.hostMessages.push_back(static_cast<uint32_t>(type));
                }
            } else if (key == "set") {
                if (!it->is_object())
                    return fail(place, "expects an object of names and values");
                for (auto f = it->begin(); f != it->end(); ++f) {
                    std::string err;
                    if (!Apply(dry, f.key(), *f, &err))
                        return fail(place + "." + f.key(), err);
                }
                step.set = *it;
            } else if (key == "expect") {
                if (!it->is_object())
                    return fail(place, "expects an object of names and values");
                for (auto f = it->begin(); f != it->end(); ++f) {
                    std::string err;
                    if (Observe(dry, f.key(), &err).is_null()) {
                        return fail(place + "." + f.key(), err);
                    }
                }
                step.expect = *it;
            } else {
                return fail(place, "unknown key (note, set, cameraSwitch, hostMessage, frames, "
                                   "expect)");
            }
        }
        scenario->steps.push_back(step);
    }
    return true;
}

bool LoadScenario(const std::string& path, Scenario* scenario, ScenarioError* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error->message = path + ": cannot be read";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    return ParseScenario(text.str(), path, scenario, error);
}

RunResult RunScenario(const Scenario& scenario, std::ostream& trace) {
    RunResult result;
    // The settings file sits where the plug-in looks for it, beside a game
    // executable in a folder of its own.
    char folder[] = "/tmp/lumenfold-sim-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        result.failures.push_back("cannot make a temporary game folder");
        return result;
    }
    const std::string root = folder;
    const std::string plugins = root + "/Data/obse/plugins";
    mkdir((root + "/Data").c_str(), 0755);
    mkdir((root + "/Data/obse").c_str(), 0755);
    mkdir(plugins.c_str(), 0755);
    const std::string ini = plugins + "/OBSE_Lumenfold.ini";
    {
        std::ofstream out(ini, std::ios::binary);
        out << scenario.settings;
    }
    PlatformSetModuleFileName(WindowsPath(root + "/Oblivion.exe").c_str());

    ResetViewState();
    ResetShadowBracket();
    {
        Game game;
        sim::Host host;
        PluginInfo info;
        if (!OBSEPlugin_Query(&host.record, &info) || !OBSEPlugin_Load(&host.record)) {
            result.failures.push_back("the plug-in refused to load");
        }
        host.Send(kMessagePostLoad);
        const sim::FrameLoad load = sim::StandardLoad(game);

        int stepIndex = 0;
        for (const Step& step : scenario.steps) {
            for (auto f = step.set.begin(); f != step.set.end(); ++f) {
                std::string err;
                Apply(game, f.key(), *f, &err);
            }
            for (uint32_t type : step.hostMessages) {
                host.Send(type);
            }
            for (int i = 0; i < step.frames; ++i) {
                game.ClearCalls();
                sim::RunFrame(game, load, step.cameraSwitch);
                trace << TraceLine(game, result.frames, stepIndex, step.note).dump() << "\n";
                const Vector3 eye = EyePoint(game);
                FramePoint p = {result.frames, stepIndex, PlayerState(game), {}, {}, {}};
                for (int k = 0; k < 3; ++k) {
                    p.camera[k] = Component(game.camera->node.WorldTranslation, k);
                    p.eye[k] = Component(eye, k);
                    p.body[k] = Component(game.bodyRoot->node.WorldTranslation, k);
                }
                result.points.push_back(p);
                ++result.frames;
            }
            for (auto f = step.expect.begin(); f != step.expect.end(); ++f) {
                std::string err;
                const json got = Observe(game, f.key(), &err);
                if (!Matches(*f, got)) {
                    result.failures.push_back(step.place + ".expect." + f.key() + ": wanted " +
                                              f->dump() + ", got " + got.dump());
                }
            }
            ++stepIndex;
        }
    }
    unlink(ini.c_str());
    rmdir(plugins.c_str());
    rmdir((root + "/Data/obse").c_str());
    rmdir((root + "/Data").c_str());
    rmdir(root.c_str());
    return result;
}

} // namespace simtool
