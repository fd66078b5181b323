// The view through the camera, as the game draws it after the shadow pass: in
// perspective with the game's default field of view (75 degrees across) and
// near distance (10 units), the body as the world pass shows it (limbs with a
// thickness; nothing hidden or collapsed), then the game's first-person arms
// where their own pass draws them, on top. A part nearer to the camera than
// the near plane is cut away there, and the caption counts those parts.
#pragma once

#include <string>

#include "tools/sim/pictures/pose.h"

namespace simtool {

// The game's defaults.
constexpr double kFieldOfViewAcross = 75.0; // degrees
constexpr double kNearDistance = 10.0;      // game units

struct CameraViewPicture {
    std::string svg; // elements to place at (x, y), width x height
    int cut = 0;     // parts the near plane cuts
    std::string caption;
};

// The view of `pose` drawn into a panel at (x, y) of the given size. Each
// drawn part carries data-part='NAME', each cut one data-cut='NAME'.
CameraViewPicture RenderCameraView(const Pose& pose, double x, double y, double width,
                                   double height);

} // namespace simtool
