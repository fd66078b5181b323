// A picture of the body at one frame, from the side and from above: the
// bones of both skeletons as stick figures, the two roots, the body's eye
// point, where the game put its camera, and where the plug-in put it, each
// camera with its view direction.
#pragma once

#include <string>
#include <vector>

#include "tools/sim/scenario/scenario_run.h"

namespace simtool {

struct PoseBone {
    Vector3 at;
    Vector3 parent;
    bool firstPerson; // a bone of the game's first-person arms
    bool shown;       // drawn: its skeleton is not hidden and it has a size
};

struct Pose {
    int frame = -1; // -1: not taken
    std::string state;
    std::string note;
    std::vector<PoseBone> bones;
    Vector3 bodyRoot, firstPersonRoot, eye;
    Vector3 gameCamera, gameView; // where the game put its camera, and its view
    Vector3 camera, view;         // where the camera is after the plug-in
};

// Takes the pose after frame `frame`.
class PoseCapture : public FrameObserver {
  public:
    explicit PoseCapture(int frame) : frame_(frame) {}
    void AfterFrame(sim::Game& game, const FrameInfo& frame) override;
    Pose pose;

  private:
    int frame_;
};

std::string RenderPoseSvg(const std::string& title, const Pose& pose);

} // namespace simtool
