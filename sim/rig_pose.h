// The game's animation of the full body in the simulated game: the pose of
// each state the player can be in, written into the bones' local fields as
// the game's animation writes them once a frame. The plug-in then turns and
// moves what it moves on top of it, and the frame's further updates bring
// only the world fields up to date.
#pragma once

#include <stdint.h>

namespace sim {

class Game;

enum class RigPose : uint8_t { Standing, Sitting, Lying, Riding, KnockedOut, Feeding, Count };
constexpr int kRigPoseCount = static_cast<int>(RigPose::Count);
inline constexpr const char* kRigPoseNames[kRigPoseCount] = {"standing", "sitting",     "lying",
                                                             "riding",   "knocked out", "feeding"};

// The pose of the game's state: knocked out or dead lies on the ground;
// mounted rides; feeding as a vampire bends over the sleeper; a sit state of
// 8 or more lies (in a bed); any other sit state sits; else the body stands.
RigPose PoseOfState(const Game& game);

// Writes `pose` into the local rotations and translations of the body's
// biped bones ("Bip01 ..."); the attachment nodes (magicNode, the shield and
// left-hand slots and what they hold) keep theirs.
void WritePose(Game& game, RigPose pose);

} // namespace sim
