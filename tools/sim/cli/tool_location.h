// Where lumenfold-sim itself is, and so where its documented scenarios are:
// beside it in the tools archive (docs/scenarios), or in the repository of
// a build (build/linux/lumenfold-sim, ../../docs/scenarios).
#pragma once

#include <string>

namespace simtool {

// The path of the program that runs (main sets it).
void SetToolPath(const std::string& path);

// The folder of the documented scenarios as a player would type it from the
// current folder ("docs/scenarios"), or "" when there is none.
std::string DocumentedScenarios();

// What to add to "NAME: no such file" for a scenario: where the documented
// scenarios are, and the one of the same name if there is one.
std::string ScenarioHint(const std::string& path);

} // namespace simtool
