// The camera update of the body view: view-state housekeeping, then the
// camera node placed at the head of the full-body skeleton.
#pragma once

#include "body/node_math.h"
#include "game/layout.h"
#include "game/logic_build.h"

// What the last camera update did with the game's camera, for the
// interface's description of the body view: 1 when the body view placed it
// (the anchored, idle-animation or plain placement, or the placement after
// the deciding switch), and where: the eye point, in world space (the camera
// node's local fields hold world-space values).
extern int32_t CameraPlacedByBodyView;
extern Vector3 PlacedCameraAt;

LF_LOGIC_BEGIN
// Entered from the camera glue with the game's camera node.
LF_GLUE_ENTRY void UpdateHeadCamera(SceneNode* camera);
// Entered from the deciding switch's glue after DecideForcedModeOnSwitch.
// The game makes that switch after its camera update, and the camera update
// its switch routine runs inside it comes before the decision: where the
// decision keeps the body view, the camera is placed at the head again and
// the game's own update of the camera node brings its world fields along,
// so that the frame's view is not drawn from the game's third-person camera.
LF_GLUE_ENTRY void KeepBodyViewAfterSwitch();

// Rx(-pi/2) * Ry(pi/2 - pitch) * Rz(pi/2): the fixed frame F turned by the
// look pitch.
Matrix3 HeadCameraRotation(float pitch);
// The fixed camera frame F: rows (0, 0, 1), (0, 1, 0), (-1, 0, 0).
Matrix3 FixedCameraFrame();
LF_LOGIC_END
