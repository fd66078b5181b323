// lumenfold-sim run SCENARIO [--settings FILE] [--trace FILE] [--svg FILE]
// [--pose FRAME] [--audit]: see the command's help (usage.cpp).
#pragma once

#include <ostream>

namespace simtool {

int RunCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace simtool
