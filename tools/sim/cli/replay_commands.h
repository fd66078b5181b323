// The simulator's commands around recordings: `record` (a scenario recorded
// as the plug-in records a game) and `replay` (a recording played back and
// compared).
#pragma once

#include <ostream>

namespace simtool {

int RecordCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
int ReplayCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace simtool
