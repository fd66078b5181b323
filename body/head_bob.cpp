#include "body/head_bob.h"

#include "body/node_math.h"
#include "game/node_names.h"
#include "game/player_rig.h"
#include "settings/settings.h"

LF_LOGIC_BEGIN

namespace {

// The share of the way from the eye point back to the body root by which
// head-bob mode 2 shifts the body, and the fixed backward shifts.
constexpr double kHorizontalCompensation = 0.8;
constexpr double kBackShiftFlag400 = -35.0;
constexpr double kBackShift = -25.0;
constexpr int32_t kHeadBobProportional = 2;

// E = head.WorldTranslation + body.WorldRotation * (settings offset * scale).
Vector3 EyePoint(const SceneNode* head, const SceneNode* body) {
    const float s = body->WorldScale;
    const Vector3 offset = {Settings.fCameraPosX * s, Settings.fCameraPosY * s,
                            Settings.fCameraPosZ * s};
    Vector3 turned;
    MultiplyMatrix3Vector3(&turned, &body->WorldRotation, &offset);
    const Vector3& h = head->WorldTranslation;
    return Vector3{h.x + turned.x, h.y + turned.y, h.z + turned.z};
}

// The process's flag word; 0 without a process.
uint32_t ProcessFlags() {
    const PlayerObject* p = PlayerPointer();
    return p != nullptr && p->Process != nullptr ? GetFlagWord(p->Process) : 0;
}

} // namespace

bool HasFlag800() {
    return (ProcessFlags() & kProcessFlagBit800) != 0;
}

bool HasFlag400Only() {
    const uint32_t flags = ProcessFlags();
    return (flags & kProcessFlagBit400) != 0 && (flags & kProcessFlagBit800) == 0;
}

void ApplyHeadBob() {
    const PlayerRig r = ReadPlayerRig();
    if (r.process == nullptr || r.body == nullptr || r.process->SitState != 0) {
        return;
    }
    SceneNode* body = r.body;
    const Vector3& local = body->LocalTranslation;
    const SceneNode* head = r.bodyAnim != nullptr ? r.bodyAnim->HeadNode : nullptr;
    if (Settings.bEnableHeadBob == 0) {
        // No head bob: pull the body so that its eye point falls on the camera.
        const SceneNode* camera = CameraNodePointer();
        if (camera == nullptr || head == nullptr) {
            return;
        }
        const Vector3 eye = EyePoint(head, body);
        Vector3 pulled;
        for (int i = 0; i < 3; ++i) {
            Component(pulled, i) =
                (Component(camera->WorldTranslation, i) - Component(eye, i)) + Component(local, i);
        }
        SetLocalTranslation(body, pulled);
    } else if (Settings.bEnableHeadBob == kHeadBobProportional || HasFlag800()) {
        // Shift the body horizontally by 80 per cent of the way from its eye
        // point back to its root.
        if (head == nullptr) {
            return;
        }
        const Vector3 eye = EyePoint(head, body);
        Vector3 shifted = local;
        for (int i = 0; i < 2; ++i) {
            const float toRoot = Component(body->WorldTranslation, i) - Component(eye, i);
            Component(shifted, i) =
                static_cast<float>(toRoot * kHorizontalCompensation + Component(local, i));
        }
        SetLocalTranslation(body, shifted);
    } else {
        // Move the body back along its own negative second axis.
        const double shift = HasFlag400Only() ? kBackShiftFlag400 : kBackShift;
        const float s = body->WorldScale;
        const Vector3 back = {static_cast<float>(0.0 * s), static_cast<float>(shift * s),
                              static_cast<float>(0.0 * s)};
        Vector3 turned;
        MultiplyMatrix3Vector3(&turned, &body->WorldRotation, &back);
        SetLocalTranslation(body,
                            Vector3{local.x + turned.x, local.y + turned.y, local.z + turned.z});
    }
}

void ApplyHeadOffset() {
    const PlayerRig r = ReadPlayerRig();
    const SceneNode* camera = CameraNodePointer();
    if (r.body == nullptr || r.firstPerson == nullptr || camera == nullptr) {
        return;
    }
    SceneNode* fp = r.firstPerson;
    const SceneNode* body = r.body;
    const Vector3 d = {camera->WorldTranslation.x - fp->WorldTranslation.x,
                       camera->WorldTranslation.y - fp->WorldTranslation.y,
                       camera->WorldTranslation.z - fp->WorldTranslation.z};
    const SceneNode* head = FindChildByName(r.body, kNodeHead);
    if (head == nullptr) {
        return;
    }
    const Vector3 eye = EyePoint(head, body);
    Vector3 placed;
    for (int i = 0; i < 3; ++i) {
        const float t = Component(eye, i) - Component(body->WorldTranslation, i);
        const float l = Component(body->LocalTranslation, i) - Component(fp->LocalTranslation, i);
        Component(placed, i) = ((t - Component(d, i)) + l) + Component(fp->LocalTranslation, i);
    }
    SetLocalTranslation(fp, placed);
}

LF_LOGIC_END
