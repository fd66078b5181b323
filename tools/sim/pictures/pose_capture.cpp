#include <math.h>
#include <stdio.h>
#include <string.h>

#include "settings/settings.h"
#include "sim/frame_driver.h"
#include "tools/sim/pictures/pose.h"
#include "tools/sim/scenario/game_values.h"
#include "view/view_state.h"

namespace simtool {

namespace {

// The eye point and the camera closer than this are the same place.
constexpr float kAtTheEye = 0.5f;

bool IsHidden(const SceneNode* n) {
    for (int depth = 0; n != nullptr && depth < sim::kMaxNodeDepth; n = n->Parent, ++depth) {
        if ((n->Flags & kNodeHiddenBit) != 0) {
            return true;
        }
    }
    return false;
}

// Every bone under `root`, each once, with a bound on the walk (a replayed
// player's scene graph holds what the recording said).
void AddBones(SceneNode* root, bool firstPerson, std::vector<PoseBone>* bones) {
    sim::WalkDown(root, [firstPerson, bones](SceneNode* child, SceneNode* node, int) {
        if (node != nullptr) {
            bones->push_back({reinterpret_cast<const sim::Node*>(child)->name,
                              child->WorldTranslation, node->WorldTranslation,
                              child->WorldRotation, child->WorldScale, firstPerson,
                              !IsHidden(child) && child->WorldScale > 0.0f});
        }
        return false;
    });
}

// The direction a camera of this rotation looks: its second axis (the game's
// own camera, unturned, looks along the body's facing, +y).
Vector3 ViewOf(const Matrix3& r) {
    return Vector3{r.m[0][1], r.m[1][1], r.m[2][1]};
}

float Distance(const Vector3& a, const Vector3& b) {
    const float x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
    return sqrtf(x * x + y * y + z * z);
}

// Why the camera is not at the eye point, where the design puts it
// elsewhere.
std::string CameraNote(sim::Game& g, const Vector3& eye) {
    if (Distance(g.camera->node.WorldTranslation, eye) < kAtTheEye) {
        return "";
    }
    const PlayerObject& p = g.player->obj;
    if ((p.ThirdPerson != 0 || CameraDetachedByte() != 0) && ForcedBodyMode == kForcedModeNone) {
        return "third person: the game's camera";
    }
    if (WatchedMenuOpen != 0) {
        return "a watched menu: the camera stays where the game put it";
    }
    if (p.Mount != nullptr && Settings.bHorseFirstPersonBody == 0) {
        return "riding with bHorseFirstPersonBody=0: the game's camera and arms, no body";
    }
    if (ForcedBodyMode != kForcedModeNone || HeadAnchorCountdown != 0 ||
        g.process->obj.KnockoutState != 0 || g.player->isDead != 0 ||
        (g.bodyAnim->idleAbsentResult & 1) == 0) {
        return "the camera is anchored to the head: its offset (fCameraPosZ, y, fCameraPosX) is "
               "turned by the head's own rotation, the eye point's (fCameraPosX, fCameraPosY, "
               "fCameraPosZ) by the body's";
    }
    return "";
}

bool SameVector(const Vector3& a, const Vector3& b) {
    return Distance(a, b) < 1e-3f;
}

} // namespace

void PoseCapture::AfterFrame(sim::Game& game, const FrameInfo& frame) {
    if (frame.frame != frame_) {
        return;
    }
    pose.frame = frame.frame;
    pose.state = PlayerState(game);
    pose.note = frame.what->note;
    pose.bones.clear();
    AddBones(&game.bodyRoot->node, false, &pose.bones);
    AddBones(&game.fpRoot->node, true, &pose.bones);
    pose.bodyRoot = game.bodyRoot->node.WorldTranslation;
    pose.firstPersonRoot = game.fpRoot->node.WorldTranslation;
    pose.eye = EyePoint(game);
    pose.gameCamera = game.cameraPlacement; // the camera hangs under the unturned scene root
    pose.gameView = ViewOf(game.cameraRotationPlacement);
    pose.camera = game.camera->node.WorldTranslation;
    pose.view = ViewOf(game.camera->node.WorldRotation);
    pose.cameraRotation = game.camera->node.WorldRotation;
    pose.viewDrawn = game.view.frame == game.frame;
    pose.firstPersonPass = pose.viewDrawn && game.view.firstPersonDrawn;
    if (pose.viewDrawn) {
        pose.camera = game.view.cameraTranslation;
        pose.cameraRotation = game.view.cameraRotation;
        pose.view = ViewOf(pose.cameraRotation);
    }
    pose.sceneBody = fromPlacement_ ? game.bodyPlacement : pose.bodyRoot;
    pose.sceneCamera = game.cameraPlacement;
    pose.settings = ChangedSettings();
    pose.cameraNote = CameraNote(game, pose.eye);
    pose.missingNote.clear();
    if ((game.Missing() & sim::kMissingCamera) != 0) {
        pose.missingNote = "the game has no camera node in this frame: drawn as the node stands";
    }
    if ((game.Missing() & (sim::kMissingHeadBone | sim::kMissingHeadNode)) != 0) {
        pose.missingNote += std::string(pose.missingNote.empty() ? "" : "; ") +
                            "the body has no head in this frame: nothing was placed at it";
    }
}

bool SamePose(const Pose& a, const Pose& b) {
    if (a.bones.size() != b.bones.size() || !SameVector(a.camera, b.camera) ||
        !SameVector(a.view, b.view) || !SameVector(a.bodyRoot, b.bodyRoot) ||
        !SameVector(a.firstPersonRoot, b.firstPersonRoot) ||
        a.firstPersonPass != b.firstPersonPass) {
        return false;
    }
    for (size_t i = 0; i < a.bones.size(); ++i) {
        if (!SameVector(a.bones[i].at, b.bones[i].at) || a.bones[i].shown != b.bones[i].shown) {
            return false;
        }
    }
    return true;
}

std::string ChangedSettings() {
    std::string out;
    for (const SettingsKey& k : kSettingsKeys) {
        char value[48];
        if (k.isFloat) {
            const float v = *SettingsFloat(&Settings, k);
            if (v == DefaultFloat(k)) {
                continue;
            }
            snprintf(value, sizeof value, "%g", static_cast<double>(v));
        } else {
            const int32_t v = *SettingsInteger(&Settings, k);
            if (v == k.integerDefault) {
                continue;
            }
            snprintf(value, sizeof value, "%d", static_cast<int>(v));
        }
        out += (out.empty() ? "" : ", ") + std::string(k.name) + "=" + value;
    }
    return out;
}

} // namespace simtool
