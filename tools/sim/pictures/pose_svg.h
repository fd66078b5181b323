// A picture of the body at one frame: from the side and from above (the
// bones of both skeletons as stick figures, the two roots, the body's eye
// point, where the game put its camera and where the plug-in put it, each
// camera with its view direction, the ground and a scale), and below them
// the view through the camera (camera_view.h). Pictures of one scenario share
// one scale and one frame of the scene, whatever the settings, so that two of
// them compare at a glance.
#pragma once

#include <string>

#include "tools/sim/pictures/pose.h"

namespace simtool {

std::string RenderPoseSvg(const std::string& title, const Pose& pose);

} // namespace simtool
