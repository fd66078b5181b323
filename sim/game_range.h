// The game's address range in the simulator's own process. On Linux it is
// mapped at the game's addresses. On Windows (and under Wine) the memory at
// 0x00400000 is taken before a program runs, unless the program's own image
// lies there: the simulator's executable is a small image based where the
// game's is, with a section that spans the game's range, and the simulator
// itself is a library it loads.
#pragma once

#include <stdint.h>

namespace sim {

// Behind the game's range, at the same fixed address in every build: room
// for the code of other plug-ins' stand-ins (sim/other_plugins.h), whose
// addresses then read the same in every log line.
constexpr uint32_t kOtherCodeBegin = 0x00C00000;
constexpr uint32_t kOtherCodeEnd = 0x00C01000;

// Makes the range exist (once per process), with the room behind it, readable, writable and
// executable; stops the program with a message when it cannot.
void MapGameRange();
// Where the range's usable part begins: the game's base on Linux; behind the
// executable's own header and code on Windows.
uint32_t GameRangeStart();
// Readable, writable and executable again, all of it.
void UnprotectGameRange();

} // namespace sim
