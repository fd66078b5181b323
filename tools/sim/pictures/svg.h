// A picture of a run: height and forward position of the camera, the eye
// point and the body root over the frames, with the player's state marked.
#pragma once

#include <string>
#include <vector>

#include "tools/sim/scenario/trace.h"

namespace simtool {

std::string RenderSvg(const std::string& title, const std::vector<FramePoint>& points);

} // namespace simtool
