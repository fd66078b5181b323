// What the pictures of one frame show, taken from the simulated game at the
// end of the frame (after the view, where the game drew it): the bones of
// both skeletons, the roots, the body's eye point, where the game put its
// camera and where the camera is after the plug-in, what the view drew, and
// the frame of the scene that pictures of the same scenario share.
#pragma once

#include <string>
#include <vector>

#include "tools/sim/scenario/scenario_run.h"

namespace simtool {

struct PoseBone {
    std::string name; // the bone at `at` (the segment from its parent to it)
    Vector3 at;
    Vector3 parent;
    Matrix3 rotation; // the bone's world rotation
    float scale;      // its world scale: 0 where it is collapsed
    bool firstPerson; // a bone of the game's first-person arms
    bool shown;       // drawn: neither it nor a node above it hidden, and a size
};

struct Pose {
    int frame = -1; // -1: not taken
    std::string state;
    std::string note;
    std::vector<PoseBone> bones;
    Vector3 bodyRoot, firstPersonRoot, eye;
    Vector3 gameCamera, gameView; // where the game put its camera, and its view
    Vector3 camera, view;         // where the camera is after the plug-in
    Matrix3 cameraRotation;       // the camera's world rotation, as the view used it
    bool viewDrawn = false;       // the game drew a view in this frame (its own order)
    bool firstPersonPass = false; // the game's first-person pass drew the arms
    // The scene that pictures of one scenario share, whatever the settings:
    // where the game placed the body and its camera.
    Vector3 sceneBody, sceneCamera;
    // The settings that differ from the defaults ("" for none).
    std::string settings;
    // Why the camera is not at the eye point, where by design it is not.
    std::string cameraNote;
    // What the game lacked in this frame that the picture would show.
    std::string missingNote;
    // What another run of the same frame showed, to say where nothing
    // differs ("" for no comparison).
    std::string unchangedBy;
};

// Takes the pose after frame `frame`. `sceneFromPlacement`: the scene's frame
// from where the game placed the body (a scenario's run); otherwise from
// where the body is (a player's recording, far from the origin).
class PoseCapture : public FrameObserver {
  public:
    explicit PoseCapture(int frame, bool sceneFromPlacement = true)
        : frame_(frame), fromPlacement_(sceneFromPlacement) {}
    void AfterFrame(sim::Game& game, const FrameInfo& frame) override;
    Pose pose;

  private:
    int frame_;
    bool fromPlacement_;
};

// Whether two poses show the same: the bones, the roots and the camera.
bool SamePose(const Pose& a, const Pose& b);

// The settings of the plug-in now that differ from their defaults, as
// `key=value` separated by ", "; "" where none does.
std::string ChangedSettings();

} // namespace simtool
