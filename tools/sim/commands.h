// The simulator's command line, writing to the streams it is given (so that
// one process can run many commands and keep their outputs apart).
#pragma once

#include <ostream>

namespace simtool {

// lumenfold-sim ARGS...; returns the exit status.
int SimCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace simtool
