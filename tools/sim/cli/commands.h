// The simulator's command line, writing to the streams it is given (so that
// one process can run many commands and keep their outputs apart). Every
// command's exit status is one of exit_status.h.
#pragma once

#include <stdint.h>

#include <ostream>

namespace sim {
enum class FrameOrder : uint8_t;
}

namespace simtool {

// An option's number: digits only, at most `max`.
bool NumberOption(const char* text, unsigned long long max, unsigned long long* out);
// --frame's value: "game" or "design".
bool FrameOrderOption(const char* text, sim::FrameOrder* out);
// The highest frame number --pose takes.
constexpr unsigned long long kMostPoseFrame = 100000000;

// lumenfold-sim ARGS...; returns the exit status.
int SimCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace simtool
