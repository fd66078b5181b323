// Replaying a recording of frames in the simulated game: the recorded game
// values are set into the simulated game at every point where the game ran,
// the sites are entered in the recorded order through the patched code and
// the glue, the game's answers come from the recording, and the plug-in
// records what it does; every frame of that is compared with the recorded
// frame, output by output.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "tools/sim/pictures/pose_svg.h"
#include "tools/sim/replay/recording_read.h"

namespace simtool {

struct ReplayOptions {
    double tolerance = 0.0; // floats compare exactly (bit for bit) at 0
    int poseFrame = -1;     // the frame to take the pose of (counted from 0), or -1
};

// The first difference of a frame: what differs, both values, and the game
// values that fed the entry it is in.
struct ReplayDifference {
    int frame = 0; // counted from 0 in the recording
    std::string what;
    std::vector<std::string> fedBy;
};

struct ReplayResult {
    int frames = 0;
    // The frames in which the process's WeaponDrawn (+0x114) and the byte
    // after it (+0x115) were noted with different values: which of the two
    // follows a drawn weapon is not settled.
    int weaponBytesDiffer = 0;
    std::vector<ReplayDifference> differences; // at most one per frame
    // The frames the recording marks cut short (it ran out of room for one
    // frame) that agree as far as they go: not proven whole.
    std::vector<int> cutShort;
    std::vector<std::string> failures; // the replay itself could not run
    Pose pose;
};

ReplayResult ReplayRecording(const Recording& recording, const ReplayOptions& options);

// The frames the plug-in keeps now, as it writes them to a file.
std::vector<uint8_t> RecordingBytes();

// The settings file that makes the plug-in read exactly these settings words.
std::string SettingsTextOf(const std::vector<uint32_t>& words);

} // namespace simtool
