// A recording written as a scenario of docs/scenarios.md: its settings, one
// step per frame with the game values the frame began with (and those the
// game changed between the sites, at their stages), the game's answers as
// the simulated game's, and the recorded outputs as the step's expectations,
// so that a player's problem becomes a test. A scenario says less than a
// recording: one answer per query and stage, the standard rig's draws, and
// no reload of the settings within it.
#pragma once

#include <string>

#include "tools/sim/replay/recording_read.h"

namespace simtool {

std::string RecordingAsScenario(const Recording& recording);

} // namespace simtool
