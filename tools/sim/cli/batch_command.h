// lumenfold-sim batch LIST: see the command's help (usage.cpp).
#pragma once

#include <ostream>

namespace simtool {

int BatchCommand(int argc, const char* const* argv, std::ostream& err);

} // namespace simtool
