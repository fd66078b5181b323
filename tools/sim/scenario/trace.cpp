#include "tools/sim/scenario/trace.h"

#include <utility>

#include "tools/sim/scenario/game_values.h"
#include "view/view_state.h"

namespace simtool {

namespace {

using ordered = nlohmann::ordered_json;

const char* const kViewFieldNames[] = {
    "SavedThirdPerson",     "ForcedBodyMode",   "ModAnimPending",     "ModAnimCounter",
    "MountedInFirstPerson", "WatchedMenuOpen",  "SavedChaseDistance", "HeadAnchorCountdown",
    "InExtraAnimUpdate",    "InBodyPassUpdate", "BodyViewHeld",       "HeldForcedMode",
};

ordered TraceLine(sim::Game& g, const FrameInfo& frame) {
    ordered line;
    line["frame"] = frame.frame;
    line["step"] = frame.step;
    if (!frame.what->note.empty()) {
        line["note"] = frame.what->note;
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
    for (const char* name : kViewFieldNames) {
        view[name] = Observe(g, name);
    }
    line["viewState"] = view;
    ordered calls = ordered::object();
    for (int r = 0; r < sim::kRoutineCount; ++r) {
        calls[sim::RoutineName(static_cast<sim::Routine>(r))] =
            g.Calls(static_cast<sim::Routine>(r));
    }
    line["calls"] = calls;
    line["draws"] = g.DrawCount();
    // What the player saw, where the game drew it.
    if (g.view.frame == g.frame) {
        ordered seen = ordered::object();
        for (const char* name :
             {"BodyDrawn", "HeadDrawn", "LeftArmDrawn", "RightArmDrawn", "ShieldDrawn",
              "LeftHandItemDrawn", "ArmsDrawn", "CameraTranslation"}) {
            seen[name] = Observe(g, std::string("view.") + name);
        }
        line["view"] = seen;
    }
    return line;
}

} // namespace

void TraceWriter::AfterFrame(sim::Game& game, const FrameInfo& frame) {
    out_ << TraceLine(game, frame).dump() << "\n";
}

void PointCollector::AfterFrame(sim::Game& game, const FrameInfo& frame) {
    const Vector3 eye = EyePoint(game);
    FramePoint p = {frame.frame, frame.step, PlayerState(game), {}, {}, {}};
    for (int k = 0; k < 3; ++k) {
        p.camera[k] = Component(game.camera->node.WorldTranslation, k);
        p.eye[k] = Component(eye, k);
        p.body[k] = Component(game.bodyRoot->node.WorldTranslation, k);
    }
    points.push_back(p);
}

} // namespace simtool
