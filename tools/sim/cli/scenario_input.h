// The scenario of `run` and `record`: its file (and a player's settings file
// in place of its own) read and checked, every problem one line, and every
// warning about the settings the run will read, as the settings checker
// gives it.
#pragma once

#include <ostream>
#include <string>

#include "tools/sim/scenario/scenario.h"

namespace simtool {

// Reads the scenario at `path`, with the settings file at `settingsPath` in
// place of its own when that is not empty. Problems and warnings go to
// `err`; returns kExitDone or the exit status of the failure.
int LoadScenarioInput(const std::string& path, const std::string& settingsPath, Scenario* scenario,
                      std::ostream& err);

// How many frames a scenario runs.
long long ScenarioFrames(const Scenario& scenario);

} // namespace simtool
