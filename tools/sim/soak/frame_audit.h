// The checks a soak makes after every frame (and `lumenfold-sim run --audit`):
// the write audit of the simulated game, the view state within its ranges,
// the two update flags set only inside the plug-in's own calls, the camera
// left where the game put it in third person without a forced mode and
// while another plug-in holds the body view off (then without a forced mode
// either), and at most one message of a change in a frame, each telling a
// change.
#pragma once

#include <string>
#include <vector>

#include "sim/write_audit.h"
#include "tools/sim/scenario/scenario_run.h"

namespace simtool {

class FrameAudit : public FrameObserver {
  public:
    void BeforeFrame(sim::Game& game, const FrameInfo& frame) override;
    void AfterFrame(sim::Game& game, const FrameInfo& frame) override;
    // The game changes its values inside the frame: what the plug-in wrote
    // so far is checked, and the game's new values are the copy from then on.
    void GameChanging(sim::Game& game, const FrameInfo& frame) override;
    void GameChanged(sim::Game& game, const FrameInfo& frame) override;
    void AtStage(sim::Game& game, const FrameInfo& frame, sim::FrameStage stage) override;

    // "frame 12 (steps[12]): ..." lines, in order.
    std::vector<std::string> problems;

  private:
    void Report(const std::vector<std::string>& found, const FrameInfo& frame);
    sim::WriteAudit audit_;
    // In third person without a forced mode at the camera update: the
    // camera must stay where the game put it.
    bool cameraIsTheGames_ = false;
    bool cameraUpdated_ = true;
    bool heldAtCamera_ = false; // another plug-in held the body view off at the camera update
    Vector3 cameraAtStage_ = {};  // the camera node as the camera update began
    Matrix3 cameraRotationAtStage_ = {};
    // The camera node's local fields right after the camera update, and
    // where the game had put it.
    Vector3 cameraTranslation_ = {};
    Matrix3 cameraRotation_ = {};
    Vector3 placedTranslation_ = {};
    Matrix3 placedRotation_ = {};
};

} // namespace simtool
