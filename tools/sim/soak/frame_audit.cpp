#include "tools/sim/soak/frame_audit.h"

#include <string.h>

#include "tools/sim/scenario/interface_values.h"
#include "view/view_state.h"

namespace simtool {

namespace {

struct Range {
    const char* name;
    const int32_t* field;
    int32_t lo, hi;
};
const Range kRanges[] = {
    {"ForcedBodyMode", &ForcedBodyMode, 0, 2},
    {"ModAnimPending", &ModAnimPending, 0, 1},
    {"ModAnimCounter", &ModAnimCounter, 0, 3},
    {"HeadAnchorCountdown", &HeadAnchorCountdown, 0, 5},
    {"MountedInFirstPerson", &MountedInFirstPerson, 0, 1},
    {"WatchedMenuOpen", &WatchedMenuOpen, 0, 1},
    {"SavedThirdPerson", &SavedThirdPerson, 0, 255},
    {"BodyViewHeld", &BodyViewHeld, 0, 1},
    {"HeldForcedMode", &HeldForcedMode, 0, 2},
    {"HoldStepAsidePending", &HoldStepAsidePending, 0, 1},
};

// The words the call log copies at every call of the game's routines.
constexpr int kWatchExtra = 0, kWatchBody = 1;

} // namespace

void FrameAudit::BeforeFrame(sim::Game& game, const FrameInfo&) {
    cameraIsTheGames_ = false;
    cameraUpdated_ = true; // until the camera update begins
    heldAtCamera_ = false;
    game.Watch(kWatchExtra, &InExtraAnimUpdate);
    game.Watch(kWatchBody, &InBodyPassUpdate);
    audit_.Begin(game);
}

void FrameAudit::AtStage(sim::Game& game, const FrameInfo& frame, sim::FrameStage stage) {
    // The game's view as the camera update begins, and as it ends: the
    // camera is the game's where both are third person without a forced
    // mode (the game may also switch the view inside the update). The stage
    // after the camera update is the body pass in the design's order;
    // in the game's it is the next of the deciding switch, the draws and the
    // shadow pass.
    const bool thirdPerson = game.player->obj.ThirdPerson != 0 || CameraDetachedByte() != 0;
    const bool gameOrder = game.frameOrder == sim::FrameOrder::Game;
    // Held off by another plug-in through the camera update, any view is the
    // game's own.
    if (stage == sim::FrameStage::Camera) {
        heldAtCamera_ = BodyViewHeld != 0;
        cameraAtStage_ = game.camera->node.LocalTranslation;
        cameraRotationAtStage_ = game.camera->node.LocalRotation;
        cameraIsTheGames_ =
            (thirdPerson || heldAtCamera_) && !(gameOrder && game.player->obj.FreeCamera != 0);
        cameraUpdated_ = false;
        return;
    }
    const bool afterCamera =
        gameOrder ? (stage == sim::FrameStage::Switch || stage == sim::FrameStage::Draws ||
                     stage == sim::FrameStage::Shadow)
                  : stage == sim::FrameStage::Body;
    if (afterCamera && !cameraUpdated_) {
        cameraUpdated_ = true;
        // A hold that began since the update has put its forced mode aside.
        const int32_t forced =
            BodyViewHeld != 0 && !heldAtCamera_ ? HeldForcedMode : ForcedBodyMode;
        cameraIsTheGames_ =
            cameraIsTheGames_ && (heldAtCamera_ || (thirdPerson && forced == kForcedModeNone));
        cameraTranslation_ = game.camera->node.LocalTranslation;
        cameraRotation_ = game.camera->node.LocalRotation;
        placedTranslation_ = game.cameraPlacement;
        placedRotation_ = game.cameraRotationPlacement;
        if (heldAtCamera_ && !gameOrder) {
            // In the design's order the game places its camera as the frame
            // begins, and a deciding switch comes before the camera update:
            // held, the update leaves the camera as it found it (unless the
            // game moved it itself right after).
            placedTranslation_ = cameraAtStage_;
            placedRotation_ = cameraRotationAtStage_;
            for (const Setting& change : frame.what->during[static_cast<int>(stage)]) {
                if (change.name.compare(0, 13, "nodes.Camera.") == 0) {
                    cameraIsTheGames_ = false;
                }
            }
        }
    }
}

void FrameAudit::GameChanging(sim::Game& game, const FrameInfo& frame) {
    Report(audit_.Pause(game), frame);
}

void FrameAudit::GameChanged(sim::Game& game, const FrameInfo&) {
    audit_.Resume(game);
}

void FrameAudit::Report(const std::vector<std::string>& found, const FrameInfo& frame) {
    for (const std::string& f : found) {
        problems.push_back("frame " + std::to_string(frame.frame) + " (" + frame.what->place +
                           "): " + f);
    }
}

void FrameAudit::AfterFrame(sim::Game& game, const FrameInfo& frame) {
    std::vector<std::string> found = audit_.Finish(game);
    for (const Range& r : kRanges) {
        if (*r.field < r.lo || *r.field > r.hi) {
            found.push_back(std::string(r.name) + " is " + std::to_string(*r.field) + ", outside " +
                            std::to_string(r.lo) + " to " + std::to_string(r.hi));
        }
    }
    if (BodyViewHeld != 0 && ForcedBodyMode != kForcedModeNone) {
        found.push_back("a forced mode while another plug-in holds the body view off");
    }
    if (ChangeMessagesInFrame() > 1) {
        found.push_back(std::to_string(ChangeMessagesInFrame()) +
                        " messages of a change in one frame");
    }
    if (!FrameMessagesToldChanges()) {
        found.push_back("a message of a change told no change");
    }
    if (InExtraAnimUpdate != 0.0f || InBodyPassUpdate != 0.0f) {
        found.push_back("an update flag is left set after the frame");
    }
    // The flags are set only around the plug-in's own record updates.
    for (int i = 0; i < game.CallCount(); ++i) {
        const sim::CallRecord& c = game.Call(i);
        if (c.routine != sim::Routine::UpdateAnimationRecord &&
            (c.watched[kWatchExtra] != 0 || c.watched[kWatchBody] != 0)) {
            found.push_back(std::string("an update flag is set while the game runs ") +
                            sim::RoutineName(c.routine));
            break;
        }
    }
    // Third person without a forced mode: the camera is the game's.
    if (cameraIsTheGames_ &&
        (memcmp(&cameraTranslation_, &placedTranslation_, sizeof(Vector3)) != 0 ||
         memcmp(&cameraRotation_, &placedRotation_, sizeof(Matrix3)) != 0)) {
        found.push_back(heldAtCamera_
                            ? "the camera was moved while another plug-in held the body view off"
                            : "in third person without a forced mode the camera was moved");
    }
    Report(found, frame);
}

} // namespace simtool
